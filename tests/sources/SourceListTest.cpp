// The folder command of both conversion windows: filter, list, counter, Convert, message.
#include <cstdlib>
#include <optional>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sources/PathSeparator.h"
#include "sources/SourceList.h"
#include "tests/sources/MemoryWindow.h"
#include "tests/sources/RecordingDialogs.h"
#include "tests/sources/TempTree.h"
#include "tests/support/ScopedEnvironment.h"

namespace mailferry::sources {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::MemoryWindow;
using testing::RecordingDialogs;
using testing::TempTree;

TEST(SourceListTest, EmailWindowTakesMessageFilesOnly) {
  TempTree tree;
  tree.file("Mail/Inbox/Mail.EML");
  tree.file("Mail/Inbox/x.Emlx");
  tree.file("Mail/Inbox/x.eml.bak");
  tree.file("Mail/Inbox/x.emlxx");
  tree.file("Mail/Inbox/spaced.eml  ");
  tree.file("Mail/Card.contact");
  RecordingDialogs dialogs;
  dialogs.browseAnswers.push_back(tree.path("Mail"));
  MemoryWindow window(WindowKind::Email);
  const int widthBefore = window.gridColWidth(0);

  CmdAddFolder_Click(window);

#ifdef _WIN32
  const char* spaced = "Mail/Inbox/spaced.eml";  // Windows drops the trailing spaces of a name
#else
  const char* spaced = "Mail/Inbox/spaced.eml  ";
#endif
  EXPECT_THAT(window.listed(), ElementsAre(tree.path("Mail/Inbox/Mail.EML"), tree.path(spaced),
                                           tree.path("Mail/Inbox/x.Emlx")));
  EXPECT_EQ(window.countCaption(), "3 Email Messages");
  EXPECT_TRUE(window.convertEnabled());
  EXPECT_EQ(window.gridFixedRows(), 0);
  EXPECT_EQ(window.gridCols(), 1);
  EXPECT_NE(widthBefore, kListedColumnTwips);
  EXPECT_EQ(window.gridColWidth(0), kListedColumnTwips);
  EXPECT_THAT(window.busyChanges, ElementsAre(true, false));
  EXPECT_GT(window.yields, 0);

  ASSERT_EQ(dialogs.browseRequests.size(), 1u);
  const FolderRequest& request = dialogs.browseRequests[0];
  EXPECT_EQ(request.owner, window.owner());
  EXPECT_EQ(request.title, "Please select a folder:");
  EXPECT_FALSE(request.includeFiles);
  EXPECT_FALSE(request.newStyle);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "3 Email Messages Found.");
  EXPECT_EQ(dialogs.messages[0].title, "Kestrolin Mailferry");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::None);
}

TEST(SourceListTest, ContactsWindowTakesContactFilesOnly) {
  TempTree tree;
  tree.file("Contacts/Card.Contact");
  tree.file("Contacts/b.contacts");
  tree.file("Contacts/c.contact.xml");
  tree.file("Contacts/m.eml");
  RecordingDialogs dialogs;
  dialogs.browseAnswers.push_back(tree.path("Contacts"));
  MemoryWindow window(WindowKind::Contacts);

  CmdAddFolder_Click(window);

  EXPECT_THAT(window.listed(), ElementsAre(tree.path("Contacts/Card.Contact")));
  EXPECT_EQ(window.countCaption(), "1 Contacts");
  ASSERT_EQ(dialogs.browseRequests.size(), 1u);
  EXPECT_EQ(dialogs.browseRequests[0].startFolder, "");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "1 Contacts Found.");
}

TEST(SourceListTest, ExtensionTestTrimsAndIgnoresCase) {
  EXPECT_TRUE(matchesSourceExtension(WindowKind::Email, "  C:\\Mail\\A.EmL  "));
  EXPECT_TRUE(matchesSourceExtension(WindowKind::Email, "x.EMLX "));
  EXPECT_TRUE(matchesSourceExtension(WindowKind::Email, ".eml"));
  EXPECT_FALSE(matchesSourceExtension(WindowKind::Email, "x.eml\t"));
  EXPECT_FALSE(matchesSourceExtension(WindowKind::Email, "x.em"));
  EXPECT_FALSE(matchesSourceExtension(WindowKind::Email, "x.contact"));
  EXPECT_TRUE(matchesSourceExtension(WindowKind::Contacts, " Card.CONTACT"));
  EXPECT_FALSE(matchesSourceExtension(WindowKind::Contacts, "Card.eml"));
  EXPECT_FALSE(matchesSourceExtension(WindowKind::Contacts, "contact"));
}

TEST(SourceListTest, SecondSearchAppendsEveryFileAgain) {
  TempTree tree;
  tree.file("M/a.eml");
  tree.file("M/b.eml");
  RecordingDialogs dialogs;
  dialogs.browseAnswers = {tree.path("M"), tree.path("M") + kPathSeparator};
  MemoryWindow window(WindowKind::Email);

  CmdAddFolder_Click(window);
  CmdAddFolder_Click(window);

  const std::string a = tree.path("M/a.eml");
  const std::string b = tree.path("M/b.eml");
  EXPECT_THAT(window.listed(), ElementsAre(a, b, a, b));
  EXPECT_EQ(window.countCaption(), "4 Email Messages");
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[1].text, "2 Email Messages Found.");
}

TEST(SourceListTest, CancelChangesNothing) {
  TempTree tree;
  tree.file("M/a.eml");
  RecordingDialogs dialogs;
  dialogs.browseAnswers.push_back(tree.path("M"));
  MemoryWindow window(WindowKind::Email);
  CmdAddFolder_Click(window);
  window.busyChanges.clear();

  CmdAddFolder_Click(window);  // no answer left: the user cancels

  EXPECT_EQ(dialogs.browseRequests.size(), 2u);
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_THAT(window.listed(), ElementsAre(tree.path("M/a.eml")));
  EXPECT_EQ(window.countCaption(), "1 Email Messages");
  EXPECT_TRUE(window.convertEnabled());
  EXPECT_THAT(window.busyChanges, IsEmpty());
}

TEST(SourceListTest, CancelOnAFreshWindowShowsNothing) {
  RecordingDialogs dialogs;
  MemoryWindow window(WindowKind::Contacts);
  CmdAddFolder_Click(window);
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_EQ(window.countCaption(), "0 files");
  EXPECT_FALSE(window.convertEnabled());
  EXPECT_THAT(window.listed(), IsEmpty());
}

TEST(SourceListTest, FruitlessSearchDisablesConvertAndKeepsTheList) {
  TempTree tree;
  tree.file("M/a.eml");
  tree.file("Empty/notes.txt");
  RecordingDialogs dialogs;
  dialogs.browseAnswers = {tree.path("M"), tree.path("Empty")};
  MemoryWindow window(WindowKind::Email);

  CmdAddFolder_Click(window);
  ASSERT_TRUE(window.convertEnabled());
  CmdAddFolder_Click(window);

  EXPECT_FALSE(window.convertEnabled());
  EXPECT_THAT(window.listed(), ElementsAre(tree.path("M/a.eml")));
  EXPECT_EQ(window.countCaption(), "1 Email Messages");
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[1].text, "0 Email Messages Found.");
}

TEST(SourceListTest, FruitlessSearchOfContacts) {
  TempTree tree;
  tree.folder("Nothing");
  RecordingDialogs dialogs;
  dialogs.browseAnswers.push_back(tree.path("Nothing"));
  MemoryWindow window(WindowKind::Contacts);
  CmdAddFolder_Click(window);
  EXPECT_FALSE(window.convertEnabled());
  EXPECT_EQ(window.countCaption(), "0 files");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "0 Contacts Found.");
}

TEST(SourceListTest, AddFileToListFillsTheEmptyRowFirst) {
  MemoryWindow window(WindowKind::Email);
  window.setGridColWidth(0, 777);
  AddFileToList(window, "first.eml");
  EXPECT_EQ(window.gridRows(), 1);
  EXPECT_EQ(window.gridText(0, 0), "first.eml");
  EXPECT_EQ(window.gridColWidth(0), kListedColumnTwips);
  EXPECT_EQ(window.countCaption(), "1 Email Messages");

  window.setGridColWidth(0, 777);
  AddFileToList(window, "second.eml");
  EXPECT_EQ(window.gridRows(), 2);
  EXPECT_EQ(window.gridText(1, 0), "second.eml");
  EXPECT_EQ(window.gridColWidth(0), 777);  // set once, for the first file only
  EXPECT_EQ(window.countCaption(), "2 Email Messages");
}

TEST(SourceListTest, FormLoadWidensTheColumn) {
  MemoryWindow window(WindowKind::Contacts);
  Form_Load(window);
  EXPECT_EQ(window.gridColWidth(0), kLoadedColumnTwips);
}

TEST(SourceListTest, EmailBrowserStartsAtAStoreFolderOfTheProfile) {
  TempTree tree;
  const mailferry::testing::ScopedEnvironment profile("userprofile", tree.root());
  const std::string sep(1, kPathSeparator);
  EXPECT_EQ(emailStartFolder(), "");

  tree.folder("Local Settings/Application Data/Microsoft/Windows Mail");
  EXPECT_EQ(emailStartFolder(),
            tree.path("Local Settings/Application Data/Microsoft/Windows Mail") + sep);
  tree.folder("Local Settings/Application Data/Microsoft/Windows Live Mail");
  EXPECT_EQ(emailStartFolder(),
            tree.path("Local Settings/Application Data/Microsoft/Windows Live Mail") + sep);
  tree.folder("AppData/Local/Microsoft/Windows Mail");
  EXPECT_EQ(emailStartFolder(), tree.path("AppData/Local/Microsoft/Windows Mail") + sep);

  RecordingDialogs dialogs;
  MemoryWindow email(WindowKind::Email);
  CmdAddFolder_Click(email);
  MemoryWindow contacts(WindowKind::Contacts);
  CmdAddFolder_Click(contacts);
  ASSERT_EQ(dialogs.browseRequests.size(), 2u);
  EXPECT_EQ(dialogs.browseRequests[0].startFolder,
            tree.path("AppData/Local/Microsoft/Windows Mail") + sep);
  EXPECT_EQ(dialogs.browseRequests[1].startFolder, "");
}

TEST(SourceListTest, ProfileFallsBackToHome) {
#ifdef _WIN32
  GTEST_SKIP() << "HOME is the fallback of systems without a user profile folder";
#endif
  TempTree tree;
  tree.folder("AppData/Local/Microsoft/Windows Live Mail");
  const mailferry::testing::ScopedEnvironment profile("userprofile", std::nullopt);
  const mailferry::testing::ScopedEnvironment home("HOME", tree.root());
  EXPECT_EQ(emailStartFolder(),
            tree.path("AppData/Local/Microsoft/Windows Live Mail") + kPathSeparator);
  const mailferry::testing::ScopedEnvironment noHome("HOME", std::nullopt);
  EXPECT_EQ(emailStartFolder(), "");
}

}  // namespace
}  // namespace mailferry::sources
