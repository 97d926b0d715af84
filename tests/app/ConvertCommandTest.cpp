// The Convert command through the real windows: the email and contacts runs driven by a
// click, with the folder dialogs and message boxes answered by a recording stand-in.
#include <QPushButton>
#include <QTest>

#include "app/FrmContacts.h"
#include "app/frmStep1.h"
#include "tests/app/GuiTesting.h"
#include "tests/sources/RecordingDialogs.h"
#include "tests/sources/TempTree.h"
#include "tests/support/ReaderOracles.h"

namespace mailferry::app {
namespace {

using sources::testing::RecordingDialogs;
using sources::testing::TempTree;

class ConvertCommandTest : public testing::WindowTest {
 protected:
  void write(const std::string& relative, const std::string& text) { tree_.file(relative, text); }

  // Lists the source tree in the window, then clicks Convert with the output folder answered.
  void listAndConvert(ConversionForm& window) {
    dialogs_.browseAnswers = {tree_.path("in"), tree_.path("out")};
    window.show();
    QTest::mouseClick(window.CmdAddFolder, Qt::LeftButton);
    ASSERT_TRUE(window.CmdExtractDBX->isEnabled());
    QTest::mouseClick(window.CmdExtractDBX, Qt::LeftButton);
  }

  std::vector<std::filesystem::path> madeFiles() const {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(tree_.path("out"))) {
      files.push_back(entry.path());
    }
    return files;
  }

  TempTree tree_;
  RecordingDialogs dialogs_;
};

TEST_F(ConvertCommandTest, TheEmailWindowConvertsItsListIntoANewStore) {
  write("in/Inbox/a.eml", "Subject: First\r\nFrom: ann@example.com\r\n\r\nOne\r\n");
  write("in/Inbox/b.eml", "Subject: Second\r\nFrom: bob@example.com\r\n\r\nTwo\r\n");
  tree_.folder("out");
  frmStep1& email = theFrmStep1();
  listAndConvert(email);

  const auto files = madeFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(files[0].filename().string().starts_with("Kestrolin"));
  EXPECT_EQ(email.progressValue(), 100.0f);
  EXPECT_TRUE(email.CmdExtractDBX->isEnabled());
  EXPECT_EQ(email.progressCaption().substr(email.progressCaption().size() - 5), "b.eml");
  ASSERT_EQ(dialogs_.messages.size(), 2u);  // the found message, then the closing summary
  EXPECT_NE(dialogs_.messages[1].text.find("2 messages converted, 0 failed."), std::string::npos)
      << dialogs_.messages[1].text;
  auto check = mailferry::testing::pstcheck(files[0]);
  EXPECT_EQ(check.exitCode, 0) << check.output;
}

TEST_F(ConvertCommandTest, TheContactsWindowConvertsItsListIntoTheContactsFolder) {
  write("in/Ann.contact",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<c:contact xmlns:c=\"http://schemas.microsoft.com/Contact\"><c:NameCollection>"
        "<c:Name><c:GivenName>Ann</c:GivenName><c:FamilyName>Archer</c:FamilyName></c:Name>"
        "</c:NameCollection></c:contact>\n");
  tree_.folder("out");
  FrmContacts& contacts = theFrmContacts();
  listAndConvert(contacts);

  const auto files = madeFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(files[0].filename().string().starts_with("WindowsContacts"));
  EXPECT_EQ(contacts.progressValue(), 100.0f);
  EXPECT_TRUE(contacts.CmdExtractDBX->isEnabled());
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_NE(dialogs_.messages[1].text.find("1 contact converted, 0 failed."), std::string::npos)
      << dialogs_.messages[1].text;
  auto readers = mailferry::testing::compareReaders(files[0], R"({"folders": [
    {"path": "Contacts", "itemCount": 1, "items": [
      {"kind": "contact", "contact": {"givenName": "Ann", "surname": "Archer"}}]}]})");
  EXPECT_EQ(readers.exitCode, 0) << readers.output;
}

TEST_F(ConvertCommandTest, TheFolderCommandAndBackWaitWhileARunWorks) {
  write("in/a.eml", "Subject: First\r\nFrom: ann@example.com\r\n\r\nOne\r\n");
  tree_.folder("out");
  frmStep1& email = theFrmStep1();
  // The closing message comes while the run is still in hand; the found message before it.
  std::vector<std::pair<bool, bool>> enabledAtMessages;
  sources::Dialogs watching;
  watching.messageBox = [&](const std::string&, const std::string&, sources::MessageIcon) {
    enabledAtMessages.emplace_back(email.CmdAddFolder->isEnabled(), email.cmdBack->isEnabled());
  };
  const sources::ScopedDialogs scope(watching);
  listAndConvert(email);
  EXPECT_EQ(enabledAtMessages,
            (std::vector<std::pair<bool, bool>>{{true, true}, {false, false}}));
  EXPECT_TRUE(email.CmdAddFolder->isEnabled());
  EXPECT_TRUE(email.cmdBack->isEnabled());
}

}  // namespace
}  // namespace mailferry::app
