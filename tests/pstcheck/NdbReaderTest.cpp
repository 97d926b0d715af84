// NdbReader on Outlook's own file: both B-trees, data trees and subnode trees read completely.
#include "pst/ndb/NdbReader.h"

#include <gtest/gtest.h>

#include "pst/PstError.h"
#include "tests/pstcheck/TestFiles.h"

namespace mailferry::pst {
namespace {

TEST(NdbReader, ReadsEveryNodeAndBlockOfOutlooksFile) {
  auto reader = NdbReader::open(testing::referencePst());
  EXPECT_EQ(reader->crypt(), CryptMethod::Permute);
  EXPECT_EQ(reader->fileSize(), 271360u);
  const auto nodes = reader->nodes();
  const auto blocks = reader->blocks();
  EXPECT_EQ(nodes.size(), 128u);
  EXPECT_EQ(blocks.size(), 155u);

  auto store = reader->node(0x21);
  ASSERT_TRUE(store.has_value());
  const auto data = reader->readData(store->data);
  ASSERT_GE(data.size(), 12u);
  EXPECT_EQ(data[2], 0xEC);  // heap signature, visible only after decoding
  EXPECT_EQ(data[3], 0xBC);  // property context

  std::size_t subnodes = 0;
  for (const auto& n : nodes) {
    for (const auto& leaf : reader->readLeaves(n.data)) EXPECT_FALSE(leaf.empty());
    for (const auto& s : reader->readSubnodes(n.sub)) {
      reader->readData(s.data);
      reader->readSubnodes(s.sub);
      ++subnodes;
    }
  }
  EXPECT_GT(subnodes, 0u);
  EXPECT_FALSE(reader->node(0x12345).has_value());
  EXPECT_FALSE(reader->block(0xFFFFFFF0).has_value());
}

// Damaged input never passes silently: each fault is reported with the offset it concerns.
TEST(NdbReader, RejectsDamagedFilesNamingTheOffset) {
  mailferry::testing::TempFolder dir;
  const auto original = testing::readFile(testing::referencePst());
  const auto expectError = [&](std::vector<std::uint8_t> bytes, std::int64_t offset) {
    const auto path = dir.path() / "damaged.pst";
    testing::writeFile(path, bytes);
    try {
      auto reader = NdbReader::open(path);
      for (const auto& n : reader->nodes()) reader->readData(n.data);
      ADD_FAILURE() << "no error for a fault at " << offset;
    } catch (const PstError& e) {
      EXPECT_EQ(e.offset(), offset) << e.what();
      EXPECT_EQ(e.file(), path.string());
    }
  };

  auto notPst = original;
  notPst[0] = 'X';
  expectError(notPst, 0);

  expectError(std::vector<std::uint8_t>(original.begin(), original.begin() + 100), 0);

  auto ansi = original;
  ansi[0x0A] = 14;
  expectError(ansi, 0x0A);

  auto header = original;
  header[0x100] ^= 0x01;  // inside both CRC ranges: the partial CRC is checked first
  expectError(header, 0x04);

  auto fullOnly = original;
  fullOnly[0x204] ^= 0x04;  // bidNextB: only in the full CRC's range
  expectError(fullOnly, 0x20C);

  auto nbtRoot = original;
  nbtRoot[0x17C00 + 3] ^= 0x40;
  expectError(nbtRoot, 0x17C00);

  auto reader = NdbReader::open(testing::referencePst());
  const auto store = reader->block(reader->node(0x21)->data);
  ASSERT_TRUE(store.has_value());
  auto block = original;
  block[store->offset + 5] ^= 0x10;
  expectError(block, static_cast<std::int64_t>(store->offset));
}

}  // namespace
}  // namespace mailferry::pst
