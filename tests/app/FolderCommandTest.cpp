// The folder command through the real windows, with a recording folder browser and
// message box over real folders in a temporary tree.
#include <QPushButton>
#include <QTest>

#include "app/FileGrid.h"
#include "app/FrmContacts.h"
#include "app/ProgramEnd.h"
#include "app/frmStep1.h"
#include "tests/app/GuiTesting.h"
#include "tests/sources/RecordingDialogs.h"
#include "tests/sources/TempTree.h"

namespace mailferry::app {
namespace {

using sources::testing::RecordingDialogs;
using sources::testing::TempTree;

class FolderCommandTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    testing::WindowTest::SetUp();
    tree_.file("Inbox/Mail.EML");
    tree_.file("Inbox/x.Emlx");
    tree_.file("Inbox/x.eml.bak");
    tree_.file("Inbox/x.emlxx");
    tree_.file("Sent/Deep/y.eml");
    tree_.file("Contacts/Card.Contact");
    tree_.file("Contacts/notes.txt");
    tree_.folder("Empty");
  }
  TempTree tree_;
};

TEST_F(FolderCommandTest, EmailWindowListsCountsEnablesConvertAndReportsTheFind) {
  RecordingDialogs dialogs;
  dialogs.browseAnswers.push_back(tree_.root());
  frmStep1& email = theFrmStep1();
  email.show();
  QTest::mouseClick(email.CmdAddFolder, Qt::LeftButton);

  ASSERT_EQ(dialogs.browseRequests.size(), 1u);
  EXPECT_EQ(dialogs.browseRequests[0].title, "Please select a folder:");
  EXPECT_EQ(dialogs.browseRequests[0].owner, static_cast<QWidget*>(&email));
  EXPECT_FALSE(dialogs.browseRequests[0].includeFiles);
  ASSERT_EQ(email.gridRows(), 3);
  std::vector<std::string> listed;
  for (int r = 0; r < 3; ++r) listed.push_back(email.gridText(r, 0));
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed,
            (std::vector<std::string>{tree_.path("Inbox/Mail.EML"), tree_.path("Inbox/x.Emlx"),
                                      tree_.path("Sent/Deep/y.eml")}));
  EXPECT_EQ(email.lblCount1->text(), QStringLiteral("3 Email Messages"));
  EXPECT_TRUE(email.CmdExtractDBX->isEnabled());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "3 Email Messages Found.");
  EXPECT_EQ(dialogs.messages[0].title, "Kestrolin Mailferry");
  EXPECT_EQ(email.cursor().shape(), Qt::ArrowCursor) << "the busy pointer is gone";

  // The view catches up with every listed row once the work is done.
  EXPECT_TRUE(QTest::qWaitFor([&] { return email.grdFiles1->model()->rowCount() == 3; }, 5000));
  EXPECT_EQ(email.grdFiles1->model()->data(email.grdFiles1->model()->index(2, 0)).toString(),
            QString::fromStdString(email.gridText(2, 0)));
  EXPECT_EQ(email.gridColWidth(0), 10000) << "the first listed file sets the column width";
}

TEST_F(FolderCommandTest, AFolderWithoutMatchesDisablesConvertAndKeepsTheList) {
  RecordingDialogs dialogs;
  dialogs.browseAnswers = {tree_.root(), tree_.path("Empty"), tree_.root()};
  frmStep1& email = theFrmStep1();
  email.CmdAddFolder_Click();
  email.CmdAddFolder_Click();
  EXPECT_EQ(email.gridRows(), 3);
  EXPECT_FALSE(email.CmdExtractDBX->isEnabled());
  EXPECT_EQ(dialogs.messages.back().text, "0 Email Messages Found.");

  email.CmdAddFolder_Click();  // the same tree again: every file twice
  EXPECT_EQ(email.gridRows(), 6);
  EXPECT_EQ(email.lblCount1->text(), QStringLiteral("6 Email Messages"));
  EXPECT_TRUE(email.CmdExtractDBX->isEnabled());
}

TEST_F(FolderCommandTest, CancellingTheBrowserChangesNothing) {
  RecordingDialogs dialogs;  // no answers: the browser cancels
  frmStep1& email = theFrmStep1();
  email.CmdAddFolder_Click();
  EXPECT_EQ(dialogs.browseRequests.size(), 1u);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(email.gridRows(), 1);
  EXPECT_EQ(email.gridText(0, 0), "");
  EXPECT_EQ(email.lblCount1->text(), QStringLiteral("0 files"));
  EXPECT_FALSE(email.CmdExtractDBX->isEnabled());
}

TEST_F(FolderCommandTest, ContactsWindowTakesContactFiles) {
  RecordingDialogs dialogs;
  dialogs.browseAnswers.push_back(tree_.root());
  FrmContacts& contacts = theFrmContacts();
  contacts.CmdAddFolder_Click();
  ASSERT_EQ(contacts.gridRows(), 1);
  EXPECT_EQ(contacts.gridText(0, 0), tree_.path("Contacts/Card.Contact"));
  EXPECT_EQ(dialogs.browseRequests[0].startFolder, "") << "no start folder for contacts";
  EXPECT_EQ(dialogs.messages.at(0).text, "1 Contacts Found.");
  EXPECT_EQ(contacts.lblCount1->text(), QStringLiteral("1 Contacts"));
  EXPECT_TRUE(contacts.CmdExtractDBX->isEnabled());
}

TEST_F(FolderCommandTest, ClosingTheWindowDuringTheSearchEndsTheProcessThere) {
  RecordingDialogs dialogs;
  dialogs.browseAnswers.push_back(tree_.root());
  std::vector<int> abandoned;
  const auto previous = workAbandoner();
  workAbandoner() = [&](int exitCode) { abandoned.push_back(exitCode); };
  frmStep1& email = theFrmStep1();
  email.show();
  // The close arrives while the search yields to the window system.
  QTimer::singleShot(0, &email, [&] { email.close(); });
  email.CmdAddFolder_Click();
  workAbandoner() = previous;
  EXPECT_EQ(abandoned, std::vector<int>{0});
  EXPECT_FALSE(email.isVisible());
}

}  // namespace
}  // namespace mailferry::app
