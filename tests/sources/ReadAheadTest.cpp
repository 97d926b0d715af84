// The read-ahead over a run's files: how far ahead it asks for files (by count and by bytes),
// that it follows the run and gets out of its way when overtaken, and that entries which are no
// readable file neither stop it nor hold up its end, and the packed list of paths it keeps. What
// it does to the cache is measured by the conversion benchmark, not here.
#include "sources/ReadAhead.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sources/FsPath.h"
#include "tests/sources/MemoryWindow.h"
#include "tests/sources/TempTree.h"

namespace mailferry::sources {
namespace {

using testing::TempTree;
using namespace std::chrono_literals;

class ReadAheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef __linux__
    GTEST_SKIP() << "the read-ahead asks the system for nothing here";
#endif
  }

  static PackedPathList packed(const std::vector<std::filesystem::path>& paths) {
    PackedPathList list;
    for (const auto& path : paths) list.add(path);
    return list;
  }

  std::vector<std::filesystem::path> paths(int count, std::size_t bytes = 1) {
    std::vector<std::filesystem::path> list;
    for (int i = 0; i < count; ++i) {
      const std::string name = "m" + std::to_string(i) + ".eml";
      tree.file(name, std::string(bytes, 'x'));
      list.push_back(toFsPath(tree.path(name)));
    }
    return list;
  }
  PackedPathList files(int count, std::size_t bytes = 1) {
    return packed(paths(count, bytes));
  }

  TempTree tree;
};

TEST_F(ReadAheadTest, StaysAWindowOfFilesAheadOfTheRun) {
  ReadAhead readAhead(files(40), ReadAhead::Window{8, 1ull << 30});
  EXPECT_EQ(readAhead.requestedWhenIdle(), 8u);
  readAhead.reached(1);  // one free place: not yet worth waking for
  EXPECT_EQ(readAhead.requestedWhenIdle(), 8u);
  readAhead.reached(2);  // a quarter of the window free
  EXPECT_EQ(readAhead.requestedWhenIdle(), 10u);
  readAhead.reached(39);
  EXPECT_EQ(readAhead.requestedWhenIdle(), 40u);
}

TEST_F(ReadAheadTest, StopsAtTheByteWindowButAlwaysAsksForTheCurrentFile) {
  ReadAhead readAhead(files(10, 1000), ReadAhead::Window{100, 2500});
  EXPECT_EQ(readAhead.requestedWhenIdle(), 3u);  // 3,000 bytes ahead: the window is full
  readAhead.reached(3);
  EXPECT_EQ(readAhead.requestedWhenIdle(), 6u);

  // One file larger than the whole window is still asked for when the run comes to it.
  tree.file("big.eml", std::string(5000, 'x'));
  ReadAhead big(packed({toFsPath(tree.path("big.eml")), toFsPath(tree.path("big.eml"))}),
                ReadAhead::Window{100, 2500});
  EXPECT_EQ(big.requestedWhenIdle(), 1u);
}

TEST_F(ReadAheadTest, EntriesThatAreNoFileArePassedOver) {
  tree.folder("sub");
  std::vector<std::filesystem::path> list = paths(2);
  list.insert(list.begin() + 1, toFsPath(tree.path("missing.eml")));
  list.insert(list.begin() + 1, toFsPath(tree.path("sub")));
  list.insert(list.begin(), std::filesystem::path());
  ReadAhead readAhead(packed(list), ReadAhead::Window{8, 1ull << 30});
  EXPECT_EQ(readAhead.requestedWhenIdle(), list.size());
}

TEST_F(ReadAheadTest, OvertakenOrDroppedAtAnyTimeWithoutWaiting) {
  {
    ReadAhead readAhead(files(30), ReadAhead::Window{4, 1ull << 30});
    readAhead.reached(25);  // the run went past everything asked for
    EXPECT_GE(readAhead.requestedWhenIdle(), 29u);
    readAhead.reached(100);  // past the end
  }
  ReadAhead nothing({});
  EXPECT_EQ(nothing.requested(), 0u);
  ReadAhead dropped(files(5));  // destroyed while its worker may still be busy
}

TEST(PackedPathsTest, OnePathPerListedFileTrimmedAndEmptyForAnEmptyOne) {
  const PackedPathList files = packedPaths({" /data/mail/a.eml ", "", "/data/mail/sub/b.eml"});
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(std::filesystem::path(files.at(0)), toFsPath("/data/mail/a.eml"));
  EXPECT_EQ(std::filesystem::path(files.at(1)), std::filesystem::path());
  EXPECT_EQ(std::filesystem::path(files.at(2)), toFsPath("/data/mail/sub/b.eml"));
}

}  // namespace
}  // namespace mailferry::sources
