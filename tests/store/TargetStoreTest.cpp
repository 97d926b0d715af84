// The opening and the end of a run: output folder, names stamped with the time, the store,
// the errors a user sees, and the guard against a second run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "store/Clock.h"
#include "store/OutlookErrorMessage.h"
#include "store/TargetStore.h"
#include "tests/sources/MemoryWindow.h"
#include "tests/sources/RecordingDialogs.h"
#include "tests/store/StoreTestFixture.h"

namespace mailferry::store {
namespace {

using sources::WindowKind;
using sources::testing::MemoryWindow;
using sources::testing::RecordingDialogs;
using std::chrono::system_clock;

// 6 December 2026, 01:30:12 UTC; the tests run with TZ=UTC so local time is UTC.
system_clock::time_point december6(int secondsLater = 0) {
  return system_clock::from_time_t(1796520612 + secondsLater);
}

class TargetStoreTest : public testing::StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    setenv("TZ", "UTC", 1);
    tzset();
  }
  std::string folderAnswer() const { return dir_.string() + sources::kPathSeparator; }

  RecordingDialogs dialogs_;
  MemoryWindow window_{WindowKind::Email};
};

TEST(TimeStampTest, DropsLeadingZerosButKeepsTwoDigitYearAndSeconds) {
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(timeStamp(december6()), "6.12.26 1.30.12");
  EXPECT_EQ(timeStamp(system_clock::from_time_t(1104541502)), "1.1.05 1.5.02");  // 2005-01-01
  EXPECT_EQ(timeStamp(system_clock::from_time_t(1798761599)), "31.12.26 23.59.59");
}

TEST_F(TargetStoreTest, NamesTheFileAndTheStoreAfterTheRunAndTheTime) {
  ScopedClock clock([] { return december6(); });
  dialogs_.browseAnswers = {folderAnswer()};
  auto target = openTargetStore(window_, RunKind::Email);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->outputFolder, folderAnswer());
  EXPECT_EQ(target->pstPath, folderAnswer() + "Kestrolin6.12.26 1.30.12.pst");
  EXPECT_EQ(target->storeDisplayName, "Kestrolin : Created - 6.12.26 1.30.12");
  EXPECT_FALSE(target->storeEntryId.empty());
  EXPECT_TRUE(std::filesystem::exists(target->pstPath));
  EXPECT_EQ(window_.progressMin(), 0);
  EXPECT_EQ(window_.progressMax(), 100);
  ASSERT_EQ(dialogs_.browseRequests.size(), 1u);
  EXPECT_EQ(dialogs_.browseRequests[0].title, "Please select a folder:");
  EXPECT_TRUE(dialogs_.browseRequests[0].startFolder.empty());
  // The email run does not validate the tree: no default Contacts folder yet.
  EXPECT_THROW(target->store->GetDefaultFolder(10), StoreError);
  closeTargetStore(*target, window_);
  EXPECT_FALSE(target->session);
}

TEST_F(TargetStoreTest, AFolderGivenWithoutItsSeparatorGetsOneAndNoneIsDoubled) {
  ScopedClock clock([] { return december6(); });
  dialogs_.browseAnswers = {dir_.string()};
  auto target = openTargetStore(window_, RunKind::Contacts);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->pstPath, folderAnswer() + "WindowsContacts6.12.26 1.30.12.pst");
  EXPECT_EQ(target->storeDisplayName, "Windows Contacts : Created - 6.12.26 1.30.12");
  EXPECT_EQ(target->pstPath.find(std::string(2, sources::kPathSeparator)), std::string::npos);
  // The contacts run validates the tree.
  EXPECT_EQ(target->store->GetDefaultFolder(10).Name(), "Contacts");
  closeTargetStore(*target, window_);
}

TEST_F(TargetStoreTest, TheTwoClockReadingsMayDifferByASecond) {
  int reading = 0;
  ScopedClock clock([&reading] { return december6(reading++); });
  dialogs_.browseAnswers = {folderAnswer()};
  auto target = openTargetStore(window_, RunKind::Email);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->pstPath, folderAnswer() + "Kestrolin6.12.26 1.30.12.pst");
  EXPECT_EQ(target->storeDisplayName, "Kestrolin : Created - 6.12.26 1.30.13");
  closeTargetStore(*target, window_);
}

TEST_F(TargetStoreTest, TwoRunsInOneSecondMakeTwoFiles) {
  ScopedClock clock([] { return december6(); });
  dialogs_.browseAnswers = {folderAnswer(), folderAnswer(), folderAnswer()};
  auto first = openTargetStore(window_, RunKind::Email);
  closeTargetStore(*first, window_);
  auto second = openTargetStore(window_, RunKind::Email);
  auto third = openTargetStore(window_, RunKind::Email);  // while the second is still open
  ASSERT_TRUE(second && third);
  EXPECT_EQ(second->pstPath, folderAnswer() + "Kestrolin6.12.26 1.30.12 (2).pst");
  EXPECT_EQ(second->storeDisplayName, "Kestrolin : Created - 6.12.26 1.30.12 (2)");
  EXPECT_EQ(third->pstPath, folderAnswer() + "Kestrolin6.12.26 1.30.12 (3).pst");
  closeTargetStore(*second, window_);
  closeTargetStore(*third, window_);
}

TEST_F(TargetStoreTest, CancelMakesNoSessionAndNoFile) {
  auto target = openTargetStore(window_, RunKind::Email);
  EXPECT_FALSE(target);
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_EQ(window_.progressMax(), 100);  // untouched from its creation state
}

TEST_F(TargetStoreTest, AFolderThatCannotBeWrittenGivesTheCauseAndLeavesNoFile) {
  // /proc refuses new files even to root.
  dialogs_.browseAnswers = {"/proc/"};
  try {
    openTargetStore(window_, RunKind::Email);
    FAIL() << "a store was made in /proc";
  } catch (const StoreError& error) {
    const std::string cause = error.what();
    EXPECT_NE(cause.find("/proc/Kestrolin"), std::string::npos) << cause;
    const std::string text = outlookErrorText(cause);
    EXPECT_EQ(text.rfind("Outlook Session Creation Error !\r\n"
                         "Check if Outlook is installed and configured.\r\n"
                         "For more details visit this link : ",
                         0),
              0u);
    EXPECT_NE(text.find("\r\n" + cause), std::string::npos);
  }
  // A path that is no folder.
  std::ofstream(dir_ / "file") << "x";
  dialogs_.browseAnswers = {(dir_ / "file").string()};
  EXPECT_THROW(openTargetStore(window_, RunKind::Email), StoreError);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST_F(TargetStoreTest, TheErrorMessageIsTitledOutlookError) {
  showOutlookError("the disk is full");
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].title, "Outlook Error");
  EXPECT_EQ(dialogs_.messages[0].icon, sources::MessageIcon::Information);
  EXPECT_TRUE(dialogs_.messages[0].text.ends_with("\r\nthe disk is full"));
}

TEST(SingleRunTest, ASecondRunOfTheSameWindowIsRefusedUntilTheFirstEnds) {
  MemoryWindow window(WindowKind::Email), other(WindowKind::Contacts);
  {
    SingleRun first(window);
    EXPECT_TRUE(first.entered());
    SingleRun second(window);
    EXPECT_FALSE(second.entered());
    SingleRun elsewhere(other);
    EXPECT_TRUE(elsewhere.entered());
  }
  SingleRun again(window);
  EXPECT_TRUE(again.entered());
}

}  // namespace
}  // namespace mailferry::store
