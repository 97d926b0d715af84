// The in-memory B-tree of block and node records: finds, updates and removals agree with an
// ordered map while the tree grows at its end (as blocks are written), takes keys in the
// middle, and loses leaves, and each change marks the pages to be written again.
#include "pst/ndb/PageTree.h"

#include <gtest/gtest.h>

#include <map>

#include "pst/ndb/BTreeRecords.h"

namespace mailferry::pst {
namespace {

using Tree = PageTree<BbtRecord, Bid, format::btpage::kMaxEntries24>;

void expectSame(const Tree& tree, const std::map<Bid, std::uint64_t>& expected, Bid limit) {
  ASSERT_EQ(tree.size(), expected.size());
  for (Bid key = 0; key <= limit; key += 2) {
    const BbtRecord* found = tree.find(key);
    const auto it = expected.find(key);
    if (it == expected.end()) {
      ASSERT_EQ(found, nullptr) << key;
    } else {
      ASSERT_NE(found, nullptr) << key;
      ASSERT_EQ(found->ib, it->second) << key;
    }
  }
}

TEST(PageTreeTest, AgreesWithAnOrderedMapAsItGrowsShrinksAndChanges) {
  Tree tree;
  std::map<Bid, std::uint64_t> expected;
  Bid next = 4;
  std::uint32_t seed = 1;
  auto random = [&seed](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int round = 0; round < 6000; ++round) {
    const std::uint32_t what = random(10);
    if (what < 6) {  // the common case: a new block at the end
      tree.insertOrAssign(BbtRecord{next, next * 10, 0, 1});
      expected[next] = next * 10;
      next += 4;
    } else if (what < 7) {  // a key in the middle (odd multiples of 2 were never used)
      const Bid key = random(static_cast<std::uint32_t>(next / 4)) * 4 + 2;
      tree.insertOrAssign(BbtRecord{key, key * 10, 0, 1});
      expected[key] = key * 10;
    } else if (what < 9 && !expected.empty()) {  // removal, often of a recent block
      const Bid key =
          what == 7 ? next - 4 - random(40) * 4 : random(static_cast<std::uint32_t>(next));
      EXPECT_EQ(tree.erase(key), expected.erase(key) == 1) << key;
    } else if (!expected.empty()) {  // an update in place
      const Bid key =
          std::prev(expected.end(), random(std::min<std::size_t>(50, expected.size())) + 1)->first;
      BbtRecord* record = tree.findForUpdate(key);
      ASSERT_NE(record, nullptr);
      record->ib += 1;
      expected[key] += 1;
      EXPECT_EQ(tree.findForUpdate(key | 1), nullptr);  // no such key: nothing to update
    }
    if (round % 500 == 0) expectSame(tree, expected, next + 8);
  }
  expectSame(tree, expected, next + 8);
  // Everything removed, then grown again from empty.
  for (const auto& entry : std::map(expected)) tree.erase(entry.first);
  expected.clear();
  expectSame(tree, expected, next + 8);
  for (Bid key = 4; key < 400; key += 4) {
    tree.insertOrAssign(BbtRecord{key, key, 0, 1});
    expected[key] = key;
  }
  expectSame(tree, expected, 400);
}

TEST(PageTreeTest, ChangedPagesAreWrittenAgainAndReplacedPagesReleased) {
  Tree tree;
  for (Bid key = 4; key <= 4000; key += 4) tree.insertOrAssign(BbtRecord{key, key, 0, 1});
  std::uint64_t written = 0;
  auto sink = [&written](Page&, std::uint8_t) {
    ++written;
    return Bref{written * 2 + 1, written * 512};
  };
  tree.write(sink);
  ASSERT_GT(tree.depth(), 2);
  tree.takeReleasedPages();
  const std::uint64_t first = written;
  written = 0;
  tree.write(sink);
  EXPECT_EQ(written, 0u);  // nothing changed
  ASSERT_NE(tree.findForUpdate(3996), nullptr);
  tree.write(sink);
  EXPECT_EQ(written, static_cast<std::uint64_t>(tree.depth()));  // one leaf and its parents
  EXPECT_EQ(tree.takeReleasedPages().size(), static_cast<std::size_t>(tree.depth()));
  written = 0;
  EXPECT_EQ(tree.findForUpdate(3998), nullptr);  // a miss changes nothing
  tree.write(sink);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(first, 50u + 3u + 1u);  // appends leave full leaves: 1,000 records in 50
}

}  // namespace
}  // namespace mailferry::pst
