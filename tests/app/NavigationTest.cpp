// Moving between the windows, the modal About window, the links, the end of the program
// from either close, and the uniform report of an error that escapes a handler.
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <stdexcept>

#include "app/FrmAbout.h"
#include "app/FrmContacts.h"
#include "app/FrmMain.h"
#include "app/LinkLabel.h"
#include "app/frmStep1.h"
#include "tests/app/GuiTesting.h"
#include "tests/sources/RecordingDialogs.h"

namespace mailferry::app {
namespace {

using sources::testing::RecordingDialogs;
using testing::runProgramLoop;
using testing::whenModalShown;

class NavigationTest : public testing::WindowTest {};

void clickLink(LinkLabel* label) {
  QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
}

TEST_F(NavigationTest, NextOnAFreshProgramOpensTheEmailWindowAndHidesTheWelcome) {
  FrmMain& welcome = theFrmMain();
  welcome.show();
  EXPECT_FALSE(frmStep1Loaded());
  QTest::mouseClick(welcome.cmdNext, Qt::LeftButton);
  ASSERT_TRUE(frmStep1Loaded());
  EXPECT_TRUE(theFrmStep1().isVisible());
  EXPECT_FALSE(welcome.isVisible());
  EXPECT_FALSE(frmContactsLoaded());
}

TEST_F(NavigationTest, BackAndNextShowTheSameWindowWithItsStateAndNoSecondLoad) {
  FrmMain& welcome = theFrmMain();
  welcome.show();
  welcome.cmdNext_Click();
  frmStep1* email = &theFrmStep1();
  email->AddFileToList(QStringLiteral("/mail/Inbox/a.eml"));
  email->AddFileToList(QStringLiteral("/mail/Inbox/b.eml"));
  email->setConvertEnabled(true);
  email->setGridColWidth(0, 7000);  // a second load step would put 50000 back

  QTest::mouseClick(email->cmdBack, Qt::LeftButton);
  EXPECT_TRUE(welcome.isVisible());
  EXPECT_FALSE(email->isVisible());
  EXPECT_TRUE(welcome.OptEmail->isChecked()) << "the option is kept";

  welcome.cmdNext_Click();
  EXPECT_EQ(&theFrmStep1(), email);
  EXPECT_TRUE(email->isVisible());
  EXPECT_EQ(email->gridRows(), 2);
  EXPECT_EQ(email->gridText(1, 0), "/mail/Inbox/b.eml");
  EXPECT_EQ(email->countCaption(), "2 Email Messages");
  EXPECT_TRUE(email->convertEnabled());
  EXPECT_EQ(email->gridColWidth(0), 7000);
}

TEST_F(NavigationTest, GridShrinkKeepsTheCurrentCellInsideTheGrid) {
  frmStep1& email = theFrmStep1();
  for (const char* path : {"/m/a.eml", "/m/b.eml", "/m/c.eml"}) {
    email.AddFileToList(QString::fromLatin1(path));
  }
  email.setGridRow(2);
  EXPECT_EQ(email.gridRow(), 2);
  email.setGridRows(2);
  EXPECT_EQ(email.gridRow(), 1);
  EXPECT_EQ(email.gridText(1, 0), "/m/b.eml");
}

TEST_F(NavigationTest, ContactsAfterBackShowsTheContactsWindowAndKeepsTheChoice) {
  FrmMain& welcome = theFrmMain();
  welcome.show();
  welcome.cmdNext_Click();
  theFrmStep1().cmdBack_Click();
  welcome.OptContacts->setChecked(true);
  welcome.cmdNext_Click();
  EXPECT_TRUE(theFrmContacts().isVisible());
  EXPECT_FALSE(theFrmStep1().isVisible());
  EXPECT_FALSE(welcome.isVisible());
  theFrmContacts().cmdBack_Click();
  EXPECT_TRUE(welcome.OptContacts->isChecked());
  EXPECT_FALSE(welcome.OptEmail->isChecked());
}

// Opens About from the window, checks it is modal over it, then answers with answer.
void openAboutFrom(QWidget& window, std::function<void(FrmAbout&)> answer) {
  bool seen = false;
  whenModalShown([&](QWidget* modal) {
    seen = true;
    auto* about = qobject_cast<FrmAbout*>(modal);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(theFrmAbout(), about);
    EXPECT_EQ(about->parentWidget(), &window) << "centred over the window whose link was clicked";
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->focusWidget(), about->cmdBack) << "OK holds the focus";
    answer(*about);
  });
  window.show();
  QMetaObject::invokeMethod(&window, "LblAbout_Click");
  EXPECT_TRUE(seen);
  EXPECT_EQ(theFrmAbout(), nullptr) << "the About window exists only while it is shown";
}

TEST_F(NavigationTest, AboutOpensModallyFromEachWindowAndOkClosesIt) {
  openAboutFrom(theFrmMain(), [](FrmAbout& about) { about.cmdBack->click(); });
  openAboutFrom(theFrmStep1(), [](FrmAbout& about) { about.cmdBack->click(); });
  openAboutFrom(theFrmContacts(), [](FrmAbout& about) { about.cmdBack->click(); });
}

TEST_F(NavigationTest, AboutAnswersEnterAndAltOButNotEscape) {
  openAboutFrom(theFrmMain(), [](FrmAbout& about) { QTest::keyClick(&about, Qt::Key_Return); });
  openAboutFrom(theFrmMain(),
                [](FrmAbout& about) { QTest::keyClick(&about, Qt::Key_O, Qt::AltModifier); });
  openAboutFrom(theFrmMain(), [](FrmAbout& about) {
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_TRUE(about.isVisible()) << "no cancel button";
    about.cmdBack->click();
  });
}

TEST_F(NavigationTest, AboutOverTheEmailWindowLeavesItsListAlone) {
  frmStep1& email = theFrmStep1();
  email.AddFileToList(QStringLiteral("/mail/a.eml"));
  openAboutFrom(email, [](FrmAbout& about) { about.close(); });  // title-bar close
  EXPECT_EQ(email.gridRows(), 1);
  EXPECT_EQ(email.countCaption(), "1 Email Messages");
}

TEST_F(NavigationTest, WelcomeLinksOpenTheWebPagesAndAboutLinksDoNothing) {
  RecordingDialogs dialogs;
  FrmMain& welcome = theFrmMain();
  welcome.show();
  clickLink(welcome.LblWebsite);
  clickLink(welcome.LblKestrolinSite);
  ASSERT_EQ(dialogs.opened.size(), 2u);
  EXPECT_EQ(dialogs.opened[0], "https://www.kestrolin.example/mailferry");
  EXPECT_EQ(dialogs.opened[1], "https://www.kestrolin.example/");

  openAboutFrom(welcome, [](FrmAbout& about) {
    clickLink(about.LblWebsite);
    clickLink(about.LblKestrolinSite);
    EXPECT_TRUE(about.isVisible());
    about.cmdBack->click();
  });
  EXPECT_EQ(dialogs.opened.size(), 2u);
}

TEST_F(NavigationTest, HiddenFilesLinkOpensTheHelpPageBesideTheProgram) {
  RecordingDialogs dialogs;
  frmStep1& email = theFrmStep1();
  email.show();
  clickLink(email.LblShowHidden);
  ASSERT_EQ(dialogs.opened.size(), 1u);
  EXPECT_EQ(
      dialogs.opened[0],
      (QCoreApplication::applicationDirPath() + QStringLiteral("/show-hidden.mht")).toStdString());
}

TEST_F(NavigationTest, ClosingAConversionWindowEndsTheProgram) {
  const int exitCode = runProgramLoop([] {
    theFrmMain().show();
    theFrmMain().cmdNext_Click();
    theFrmStep1().close();
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_F(NavigationTest, ClosingTheWelcomeWindowEndsTheProgram) {
  EXPECT_EQ(runProgramLoop([] {
              theFrmMain().show();
              theFrmMain().close();
            }),
            0);
}

TEST_F(NavigationTest, ClosingTheWelcomeWindowAfterBackEndsTheProgramToo) {
  const int exitCode = runProgramLoop([] {
    FrmMain& welcome = theFrmMain();
    welcome.show();
    welcome.OptContacts->setChecked(true);
    welcome.cmdNext_Click();
    theFrmContacts().cmdBack_Click();
    welcome.close();
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_F(NavigationTest, AnErrorEscapingAHandlerIsReportedAndEndsTheProgram) {
  RecordingDialogs dialogs;
  const int exitCode = runProgramLoop([] {
    frmStep1& email = theFrmStep1();
    email.show();
    // A row that does not exist: the grid refuses, and nothing in the handler traps it.
    email.setGridRow(5);
  });
  EXPECT_EQ(exitCode, 1);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Kestrolin Mailferry");
  EXPECT_EQ(dialogs.messages[0].text, "Error 9\n\ngrid row 5 outside the grid");
  EXPECT_EQ(dialogs.messages[0].icon, sources::MessageIcon::Critical);
}

}  // namespace
}  // namespace mailferry::app
