// NdbReader on Outlook's own file: both B-trees, data trees and subnode trees read completely.
#include "pst/ndb/NdbReader.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace mailferry::pst {
namespace {

std::filesystem::path referenceFile() {
  const char* dir = std::getenv("MAILFERRY_SOURCE_DIR");
  return std::filesystem::path(dir ? dir : ".") / ".." / "shared" / "reference" /
         "outlook-made.pst";
}

TEST(NdbReader, ReadsEveryNodeAndBlockOfOutlooksFile) {
  auto reader = NdbReader::open(referenceFile());
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

}  // namespace
}  // namespace mailferry::pst
