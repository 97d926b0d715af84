// The opening and the end of a run: output folder, names stamped with the time, the store,
// and the errors a user sees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "store/Clock.h"
#include "store/StoreCreationError.h"
#include "store/TargetStore.h"
#include "tests/store/StoreTestFixture.h"
#include "tests/support/ScopedEnvironment.h"

namespace mailferry::store {
namespace {

using std::chrono::system_clock;

// 6 December 2026, 01:30:12 UTC; the tests run with TZ=UTC so local time is UTC.
system_clock::time_point december6(int secondsLater = 0) {
  return system_clock::from_time_t(1796520612 + secondsLater);
}

class TargetStoreTest : public testing::StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    mailferry::testing::setEnvironment("TZ", "UTC");
    tzset();
  }
  std::string folderAnswer() const { return dir_.string() + sources::kPathSeparator; }
};

TEST(TimeStampTest, DropsLeadingZerosButKeepsTwoDigitYearAndSeconds) {
  mailferry::testing::setEnvironment("TZ", "UTC");
  tzset();
  EXPECT_EQ(timeStamp(december6()), "6.12.26 1.30.12");
  EXPECT_EQ(timeStamp(system_clock::from_time_t(1104541502)), "1.1.05 1.5.02");  // 2005-01-01
  EXPECT_EQ(timeStamp(system_clock::from_time_t(1798761599)), "31.12.26 23.59.59");
}

TEST_F(TargetStoreTest, NamesTheFileAndTheStoreAfterTheRunAndTheTime) {
  ScopedClock clock([] { return december6(); });
  auto target = openTargetStore(folderAnswer(), RunKind::Email);
  EXPECT_EQ(target.outputFolder, folderAnswer());
  EXPECT_EQ(target.pstPath, folderAnswer() + "Kestrolin6.12.26 1.30.12.pst");
  EXPECT_EQ(target.storeDisplayName, "Kestrolin : Created - 6.12.26 1.30.12");
  EXPECT_FALSE(target.storeEntryId.empty());
  // Until the run closes it, the file is named so that nobody takes it for a finished one.
  EXPECT_EQ(target.workingPath, folderAnswer() + "Kestrolin6.12.26 1.30.12 (incomplete).pst");
  EXPECT_TRUE(std::filesystem::exists(target.workingPath));
  EXPECT_FALSE(std::filesystem::exists(target.pstPath));
  // The email run does not validate the tree: no default Contacts folder yet.
  EXPECT_THROW(target.store->GetDefaultFolder(10), StoreError);
  closeTargetStore(target);
  EXPECT_FALSE(target.session);
  EXPECT_TRUE(std::filesystem::exists(target.pstPath));
  EXPECT_FALSE(
      std::filesystem::exists(folderAnswer() + "Kestrolin6.12.26 1.30.12 (incomplete).pst"));
}

TEST_F(TargetStoreTest, TheFinishedFileReplacesNothingThatTookItsNameMeanwhile) {
  ScopedClock clock([] { return december6(); });
  auto target = openTargetStore(folderAnswer(), RunKind::Email);
  std::ofstream(target.pstPath) << "another program's file";
  closeTargetStore(target);
  EXPECT_EQ(target.pstPath, folderAnswer() + "Kestrolin6.12.26 1.30.12 (2).pst");
  EXPECT_TRUE(std::filesystem::exists(target.pstPath));
  std::ifstream taken(folderAnswer() + "Kestrolin6.12.26 1.30.12.pst");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(taken), {}), "another program's file");
}

TEST_F(TargetStoreTest, AFolderGivenWithoutItsSeparatorGetsOneAndNoneIsDoubled) {
  ScopedClock clock([] { return december6(); });
  auto target = openTargetStore(dir_.string(), RunKind::Contacts);
  EXPECT_EQ(target.pstPath, folderAnswer() + "WindowsContacts6.12.26 1.30.12.pst");
  EXPECT_EQ(target.storeDisplayName, "Windows Contacts : Created - 6.12.26 1.30.12");
  EXPECT_EQ(target.pstPath.find(std::string(2, sources::kPathSeparator)), std::string::npos);
  // The contacts run validates the tree.
  EXPECT_EQ(target.store->GetDefaultFolder(10).Name(), "Contacts");
  closeTargetStore(target);
}

TEST_F(TargetStoreTest, TheTwoClockReadingsMayDifferByASecond) {
  int reading = 0;
  ScopedClock clock([&reading] { return december6(reading++); });
  auto target = openTargetStore(folderAnswer(), RunKind::Email);
  EXPECT_EQ(target.pstPath, folderAnswer() + "Kestrolin6.12.26 1.30.12.pst");
  EXPECT_EQ(target.storeDisplayName, "Kestrolin : Created - 6.12.26 1.30.13");
  closeTargetStore(target);
}

TEST_F(TargetStoreTest, TwoRunsInOneSecondMakeTwoFiles) {
  ScopedClock clock([] { return december6(); });
  auto first = openTargetStore(folderAnswer(), RunKind::Email);
  closeTargetStore(first);
  auto second = openTargetStore(folderAnswer(), RunKind::Email);
  auto third = openTargetStore(folderAnswer(), RunKind::Email);  // while the second is open
  EXPECT_EQ(second.pstPath, folderAnswer() + "Kestrolin6.12.26 1.30.12 (2).pst");
  EXPECT_EQ(second.storeDisplayName, "Kestrolin : Created - 6.12.26 1.30.12 (2)");
  EXPECT_EQ(third.pstPath, folderAnswer() + "Kestrolin6.12.26 1.30.12 (3).pst");
  closeTargetStore(second);
  closeTargetStore(third);
}

TEST_F(TargetStoreTest, AFolderThatCannotBeWrittenGivesTheCauseAndLeavesNoFile) {
#ifndef _WIN32  // Windows has no folder that refuses new files to everyone alike
  // /proc refuses new files even to root.
  try {
    openTargetStore("/proc/", RunKind::Email);
    FAIL() << "a store was made in /proc";
  } catch (const StoreError& error) {
    const std::string cause = error.what();
    EXPECT_NE(cause.find("/proc/Kestrolin"), std::string::npos) << cause;
    EXPECT_EQ(storeCreationErrorText(cause), "The PST file could not be created.\r\n" + cause);
    EXPECT_EQ(cause.find("(/proc"), std::string::npos) << "the engine's own detail: " << cause;
  }
#endif
  // A path that is no folder.
  std::ofstream(dir_ / "file") << "x";
  EXPECT_THROW(openTargetStore((dir_ / "file").string(), RunKind::Email), StoreError);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

}  // namespace
}  // namespace mailferry::store
