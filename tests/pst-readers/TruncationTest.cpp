// A crash during a run: the file as it was right after an automatic commit, and the file cut
// in the middle of the writes that followed it, both open in pstcheck and the three readers
// with exactly the items up to that commit.
#include <gtest/gtest.h>

#include "tests/pst-messaging/StoreProbe.h"
#include "tests/pst-readers/ExpectedStore.h"
#include "tests/pst-readers/ReaderOracle.h"

namespace mailferry::pst {
namespace {

using testing::ItemDetail;

TEST(Truncation, FilesCutAtOrAfterACommitHoldEverythingUpToThatCommit) {
  mailferry::testing::TempFolder dir;
  const auto pst = dir / "live.pst";
  const auto atCommit = dir / "at-commit.pst";
  const auto midWrite = dir / "mid-write.pst";

  pstgen::SyntheticOptions o;
  o.messages = 25;
  // The five items after the commit append 25 MB, more than the writer thread's buffers hold
  // (at most 16 MB), so part of them reaches the disk past the committed end of the file.
  o.attachmentKb = 5 * 1024;
  o.bodyKb = 2;
  o.commitPolicy.itemsPerCommit = 10;
  o.commitPolicy.bytesPerCommit = 0;
  o.progressEvery = 1;
  o.progress = [&](std::uint64_t items, PstStore& store) {
    if (items != 20 && items != 25) return;
    // The automatic commit after item 20 runs in the background; the "crash" comes once
    // everything handed to the file has reached it.
    store.waitForWrites();
    if (items == 20) std::filesystem::copy_file(pst, atCommit);  // item 20 committed
    if (items == 25) std::filesystem::copy_file(pst, midWrite);  // five not yet committed
  };
  pstgen::writeSyntheticStore(pst, o);

  const auto committedSize = std::filesystem::file_size(atCommit);
  const auto laterSize = std::filesystem::file_size(midWrite);
  ASSERT_GT(laterSize, committedSize + 65536) << "the later items were appended past the commit";
  // Cut inside the appended blocks, not on a block boundary. A crash never leaves the file
  // shorter than the committed end: the file grows to it before the header names it.
  std::filesystem::resize_file(midWrite, committedSize + (laterSize - committedSize) / 2 + 13);

  const auto expected = dir / "expected.json";
  testing::writeText(expected, testing::expectedStore(o, ItemDetail::Full, dir.path(), 20).json);
  for (const auto& file : {atCommit, midWrite}) {
    SCOPED_TRACE(file.filename().string());
    const auto check = testing::pstcheck(file);
    if (file == atCommit) {
      EXPECT_EQ(check.status, 0) << check.output;
    } else {
      // The only finding allowed: bytes past the committed end of the file (pstcheck names
      // every finding, so the allocation maps are checked too).
      EXPECT_TRUE(check.status == 0 ||
                  (check.output.find("differs from the file size") != std::string::npos &&
                   check.output.find(": 1 finding\n") != std::string::npos))
          << check.output;
    }
    const auto compare = testing::compareReaders(file, expected);
    EXPECT_EQ(compare.status, 0) << compare.output;
  }
  // The finished file has all 25.
  testing::writeText(expected, testing::expectedStore(o, ItemDetail::Light).json);
  const auto compare = testing::compareReaders(pst, expected, "--counts");
  EXPECT_EQ(compare.status, 0) << compare.output;
}

}  // namespace
}  // namespace mailferry::pst
