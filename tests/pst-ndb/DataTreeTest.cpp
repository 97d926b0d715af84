// Data trees and subnode trees: streams at every block-count boundary read back exactly,
// trees over given leaves, and subnode trees past one SLBLOCK.
#include <gtest/gtest.h>

#include <algorithm>

#include "pst/PstError.h"
#include "pst/ndb/Format.h"
#include "pst/ndb/NdbReader.h"
#include "pst/ndb/NodeDatabase.h"
#include "tests/pst-ndb/NdbLayoutCheck.h"
#include "tests/pst-ndb/NdbTestFiles.h"

namespace mailferry::pst {
namespace {

using namespace format;

// The level of a data tree root: 0 data block, 1 XBLOCK, 2 XXBLOCK.
int treeLevel(const NdbReader& reader, Bid root) {
  if (!isInternalBid(root)) return 0;
  const auto head = reader.readRaw(reader.block(root)->offset, 8);
  EXPECT_EQ(head[0], kBlockTypeData);
  EXPECT_EQ(load32(&head[4]), reader.readData(root).size()) << "lcbTotal";
  return head[1];
}

TEST(DataTree, StreamsOfEveryBoundarySizeReadBackExactly) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "streams.pst";
  struct Case {
    std::size_t size;
    int level;
  };
  const Case cases[] = {{0, -1},
                        {1, 0},
                        {kMaxBlockData, 0},
                        {kMaxBlockData + 1, 1},
                        {kMaxXBlockEntries * kMaxBlockData, 1},
                        {kMaxXBlockEntries * kMaxBlockData + 1, 2}};
  std::vector<Bid> roots;
  {
    auto db = NodeDatabase::create(path);
    std::uint32_t seed = 1;
    for (const Case& c : cases) {
      const auto bytes = testing::patternBytes(c.size, seed++);
      // Uneven pieces, so that blocks are assembled across appends; then the whole stream in
      // one call that also finishes it.
      for (const bool whole : {false, true}) {
        auto writer = db->streamData();
        Bid root = 0;
        if (whole) {
          root = writer.appendAndFinish(bytes);
        } else {
          std::size_t at = 0, piece = 1;
          while (at < bytes.size()) {
            const std::size_t n = std::min(piece, bytes.size() - at);
            writer.append(std::span(bytes).subspan(at, n));
            at += n;
            piece = piece * 3 % 20011 + 1;
          }
          root = writer.finish();
        }
        EXPECT_EQ(writer.size(), c.size);
        EXPECT_EQ(db->dataSize(root), c.size);
        roots.push_back(root);
        if (root) db->putNode(makeNid(NidType::Ltp, 0x400 + 2 * seed + whole), {root, 0}, 0);
      }
    }
    db->commit();
  }
  testing::checkNdbLayout(path);
  auto reader = NdbReader::open(path);
  std::uint32_t seed = 1;
  for (std::size_t i = 0; i < 2 * std::size(cases); ++i) {
    const Case& c = cases[i / 2];
    if (i % 2 == 0) ++seed;
    const auto expected = testing::patternBytes(c.size, seed - 1);
    if (c.size == 0) {
      EXPECT_EQ(roots[i], 0u);
      continue;
    }
    EXPECT_EQ(treeLevel(*reader, roots[i]), c.level) << c.size;
    const auto leaves = reader->readLeaves(roots[i]);
    for (std::size_t l = 0; l + 1 < leaves.size(); ++l) {
      ASSERT_EQ(leaves[l].size(), kMaxBlockData) << "leaf " << l << " of " << c.size;
    }
    EXPECT_EQ(reader->readData(roots[i]), expected) << c.size << (i % 2 ? " whole" : "");
  }
}

TEST(DataTree, TreesOverGivenLeavesKeepTheirSizes) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "leaves.pst";
  auto db = NodeDatabase::create(path);
  std::vector<Bid> leaves;
  std::vector<std::uint8_t> all;
  for (std::uint32_t i = 0; i < 1500; ++i) {
    const auto bytes = testing::patternBytes(100 + (i * 37) % 3000, i);
    leaves.push_back(db->writeBlock(bytes));
    all.insert(all.end(), bytes.begin(), bytes.end());
  }
  EXPECT_EQ(db->writeDataTree({}), 0u);
  EXPECT_EQ(db->writeDataTree({leaves[0]}), leaves[0]);
  const Bid small = db->writeDataTree({leaves.begin(), leaves.begin() + 3});
  const Bid big = db->writeDataTree(leaves);
  EXPECT_THROW(db->writeDataTree({leaves[0], small}), PstError);  // leaves must be data blocks
  EXPECT_EQ(db->dataSize(big), all.size());
  db->putNode(0x21, {small, 0}, 0);
  db->putNode(0x61, {big, 0}, 0);
  db->commit();
  testing::checkNdbLayout(path);
  auto reader = NdbReader::open(path);
  EXPECT_EQ(treeLevel(*reader, small), 1);
  EXPECT_EQ(treeLevel(*reader, big), 2);
  EXPECT_EQ(reader->readData(big), all);
  const auto smallLeaves = reader->readLeaves(small);
  ASSERT_EQ(smallLeaves.size(), 3u);
  EXPECT_EQ(smallLeaves[2], testing::patternBytes(100 + 74, 2));
  EXPECT_EQ(reader->block(leaves[1])->refCount, 3);  // one more than the two trees using it
}

TEST(DataTree, SubnodeTreesPastOneSlBlock) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "subnodes.pst";
  auto db = NodeDatabase::create(path);
  std::vector<SubnodeEntry> entries;
  std::uint64_t total = 0;
  // Descending order on purpose: the writer sorts.
  for (std::uint32_t i = 1200; i > 0; --i) {
    const auto bytes = testing::patternBytes(i % 50 + 1, i);
    total += bytes.size();
    entries.push_back({makeNid(NidType::Ltp, i), db->writeBlock(bytes), 0});
  }
  // One subnode with subnodes of its own (an attachment holding an embedded message).
  const Bid innerData = db->writeBlock(testing::patternBytes(500, 99));
  const Bid inner = db->writeSubnodes({{makeNid(NidType::NormalMessage, 0x10001), innerData, 0}});
  entries.push_back(
      {makeNid(NidType::Attachment, 0x401), db->writeBlock(testing::patternBytes(7, 5)), inner});
  total += 500 + 7;
  const Bid sub = db->writeSubnodes(entries);
  const Bid small = db->writeSubnodes({entries.begin(), entries.begin() + 340});
  const Bid data = db->writeBlock(testing::patternBytes(64, 3));
  db->putNode(0x200024, {data, sub}, 0x122);
  db->putNode(0x200044, {data, small}, 0x122);
  EXPECT_EQ(db->nodeSize({data, sub}), 64 + total);
  db->commit();
  testing::checkNdbLayout(path);

  auto reader = NdbReader::open(path);
  const auto head = reader->readRaw(reader->block(sub)->offset, 8);
  EXPECT_EQ(head[0], kBlockTypeSubnode);
  EXPECT_EQ(head[1], 1);           // SIBLOCK
  EXPECT_EQ(load16(&head[2]), 4);  // 1201 entries in SLBLOCKs of 340
  EXPECT_EQ(reader->readRaw(reader->block(small)->offset, 2)[1], 0);  // exactly one SLBLOCK
  const auto back = reader->readSubnodes(sub);
  ASSERT_EQ(back.size(), 1201u);
  EXPECT_TRUE(std::is_sorted(back.begin(), back.end(),
                             [](const auto& a, const auto& b) { return a.nid < b.nid; }));
  for (const SubnodeEntry& e : back) {
    if (nidType(e.nid) == NidType::Ltp) {
      const std::uint32_t i = nidIndex(e.nid);
      EXPECT_EQ(reader->readData(e.data), testing::patternBytes(i % 50 + 1, i));
    } else {
      const auto nested = reader->readSubnodes(e.sub);
      ASSERT_EQ(nested.size(), 1u);
      EXPECT_EQ(reader->readData(nested[0].data), testing::patternBytes(500, 99));
    }
  }
}

}  // namespace
}  // namespace mailferry::pst
