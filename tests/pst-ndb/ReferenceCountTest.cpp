// Reference counts and freeing: shared blocks, replaced and removed nodes, blocks nothing
// took, and the deferral that keeps freed space allocated until a header no longer needs it.
#include <gtest/gtest.h>

#include "pst/PstError.h"
#include "pst/ndb/AllocationMap.h"
#include "pst/ndb/Format.h"
#include "pst/ndb/NdbReader.h"
#include "pst/ndb/NodeDatabase.h"
#include "tests/pst-ndb/NdbLayoutCheck.h"
#include "tests/pst-ndb/NdbTestFiles.h"

namespace mailferry::pst {
namespace {

using namespace format;

TEST(ReferenceCount, SharedBlocksCountEveryUser) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "shared.pst";
  auto db = NodeDatabase::create(path);
  const Bid shared = db->writeBlock(testing::patternBytes(40, 1));
  for (Nid nid : {0x60Du, 0x12Du, 0x802Du}) db->putNode(nid, {shared, 0}, 0);
  const Bid sub = db->writeSubnodes({{0x3F, shared, 0}, {0x5F, shared, 0}});
  db->putNode(0x21, {shared, sub}, 0);
  db->commit();
  testing::checkNdbLayout(path);
  auto reader = NdbReader::open(path);
  EXPECT_EQ(reader->block(shared)->refCount, 1 + 4 + 2);
  EXPECT_EQ(reader->block(sub)->refCount, 2);
}

TEST(ReferenceCount, ReplacedAndRemovedTreesAreFreedWithTheirChildren) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "replace.pst";
  auto db = NodeDatabase::create(path);
  const auto big = testing::patternBytes(3 * kMaxBlockData + 10, 1);
  auto writer = db->streamData();
  writer.append(big);
  const Bid oldTree = writer.finish();
  const Bid oldLeaf = db->writeBlock(testing::patternBytes(10, 2));
  const Bid oldSub = db->writeSubnodes({{0x3F, oldLeaf, 0}});
  db->putNode(0x21, {oldTree, oldSub}, 0);
  const Bid kept = db->writeBlock(testing::patternBytes(10, 3));
  db->putNode(0x61, {kept, 0}, 0);
  db->commit();
  const auto before = testing::checkNdbLayout(path);
  EXPECT_EQ(before.blocks, 5u + 2u + 1u);  // stream and XBLOCK, leaf and SLBLOCK, kept

  const Bid newData = db->writeBlock(testing::patternBytes(20, 4));
  db->putNode(0x21, {newData, 0}, 0);
  EXPECT_THROW(db->dataSize(oldTree), PstError);  // gone with its last reference
  EXPECT_THROW(db->dataSize(oldLeaf), PstError);
  db->removeNode(0x61);
  db->removeNode(0x999);  // unknown: nothing to do
  EXPECT_FALSE(db->hasNode(0x61));
  db->commit();
  const auto after = testing::checkNdbLayout(path);  // exact maps: nothing leaked
  EXPECT_EQ(after.blocks, 1u);
  EXPECT_GT(after.freeBytes, before.freeBytes);
  auto reader = NdbReader::open(path);
  EXPECT_FALSE(reader->block(oldTree).has_value());
  EXPECT_FALSE(reader->block(kept).has_value());
  EXPECT_EQ(reader->readData(reader->node(0x21)->data), testing::patternBytes(20, 4));
}

TEST(ReferenceCount, BlocksNothingReferencedAreFreedAtCommit) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "abandoned.pst";
  auto db = NodeDatabase::create(path);
  const Bid used = db->writeBlock(testing::patternBytes(10, 1));
  db->putNode(0x21, {used, 0}, 0);
  // An item abandoned half-way: a stream, a lone block and a subnode tree over blocks.
  auto writer = db->streamData();
  writer.append(testing::patternBytes(5 * kMaxBlockData, 2));
  const Bid tree = writer.finish();
  const Bid lone = db->writeBlock(testing::patternBytes(10, 3));
  const Bid sub = db->writeSubnodes({{0x3F, db->writeBlock(testing::patternBytes(9, 4)), 0}});
  EXPECT_GT(db->bytesSinceCommit(), 5 * kMaxBlockData);
  db->commit();
  EXPECT_EQ(db->bytesSinceCommit(), 0u);
  for (Bid gone : {tree, lone, sub}) EXPECT_THROW(db->dataSize(gone), PstError) << gone;
  const auto layout = testing::checkNdbLayout(path);
  EXPECT_EQ(layout.blocks, 1u);
  EXPECT_EQ(db->dataSize(used), 10u);
}

TEST(ReferenceCount, FreedSpaceStaysAllocatedUntilTheNextHeader) {
  AllocationMap space;
  const std::uint64_t a = space.allocate(128, kBlockAlign);
  const std::uint64_t b = space.allocate(512, kPageSize);
  EXPECT_EQ(a, kFirstDataOffset);
  EXPECT_EQ(b % kPageSize, 0u);
  const std::uint64_t freeBefore = space.totalFreeBytes();
  space.markClean();
  space.freeLater(a, 128);
  EXPECT_TRUE(space.isAllocated(a));
  EXPECT_TRUE(space.isAllocated(a + 64));
  EXPECT_EQ(space.totalFreeBytes(), freeBefore);
  EXPECT_FALSE(space.isDirty(0));
  space.applyDeferredFrees();
  EXPECT_FALSE(space.isAllocated(a));
  EXPECT_TRUE(space.isDirty(0));
  EXPECT_EQ(space.totalFreeBytes(), freeBefore + 128);
  // Freed space is not handed out again in the same session.
  EXPECT_GT(space.allocate(64, kBlockAlign), b);
}

TEST(ReferenceCount, AllocationSkipsMapPagesAndIntervalEnds) {
  AllocationMap space;
  std::uint64_t last = 0;
  for (int i = 0; i < 70 * 31; ++i) {  // past interval 8, which has a PMap
    const std::uint64_t at = space.allocate(kMaxBlockSize, kBlockAlign);
    const std::uint64_t k = intervalOf(at);
    EXPECT_GE(at, mapPagesEnd(k));
    EXPECT_LE(at + kMaxBlockSize, intervalStart(k + 1));
    EXPECT_GT(at, last);
    last = at;
  }
  EXPECT_GE(space.intervalCount(), 9u);
  EXPECT_EQ(space.longestFreeRun(0), (kAMapInterval - 0x400) % kMaxBlockSize / kSlotSize);
}

}  // namespace
}  // namespace mailferry::pst
