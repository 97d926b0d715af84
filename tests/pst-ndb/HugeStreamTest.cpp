// One stream past 2 GB: the file gets its first FPMap, every map stays exact, and the end of
// the stream reads back.
#include <gtest/gtest.h>

#include "pst/ndb/Format.h"
#include "pst/ndb/NdbReader.h"
#include "pst/ndb/NodeDatabase.h"
#include "tests/pst-ndb/NdbLayoutCheck.h"
#include "tests/pst-ndb/NdbTestFiles.h"

namespace mailferry::pst {
namespace {

using namespace format;

std::vector<std::uint8_t> blockContent(std::uint32_t index) {
  std::vector<std::uint8_t> b(kMaxBlockData);
  for (std::size_t i = 0; i < b.size(); i += 4)
    store32(&b[i], index * 2654435761u + static_cast<std::uint32_t>(i));
  return b;
}

TEST(HugeStream, PastTwoGigabytes) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "huge.pst";
  constexpr std::uint64_t kTotal = 2'150'000'000;
  const std::uint32_t fullBlocks = static_cast<std::uint32_t>(kTotal / kMaxBlockData);
  const std::size_t tail = kTotal % kMaxBlockData;
  Bid root = 0;
  {
    auto db = NodeDatabase::create(path);
    auto writer = db->streamData();
    for (std::uint32_t i = 0; i < fullBlocks; ++i) writer.append(blockContent(i));
    const auto lastBlock = blockContent(fullBlocks);
    writer.append(std::span(lastBlock).first(tail));
    root = writer.finish();
    EXPECT_EQ(db->dataSize(root), kTotal);
    db->putNode(0x21, {root, 0}, 0);
    db->commit();
  }
  const auto layout = testing::checkNdbLayout(path);
  EXPECT_GT(layout.intervals, kFPMapFirst);

  auto reader = NdbReader::open(path);
  const auto fpmap = reader->readRaw(fmapOffset(kFPMapFirst), kPageSize);
  EXPECT_EQ(fpmap[pagetrailer::kPtype], static_cast<std::uint8_t>(PageType::FPMap));
  EXPECT_EQ(load32(&fpmap[pagetrailer::kCrc]), computeCrc({fpmap.data(), kPageDataSize}));

  // Down the right edge of the XXBLOCK to the last leaves.
  const auto xx = reader->readRaw(reader->block(root)->offset, reader->block(root)->size);
  ASSERT_EQ(xx[1], 2);
  EXPECT_EQ(load32(&xx[4]), kTotal);
  const std::size_t xcount = load16(&xx[2]);
  const Bid lastX = load64(&xx[8 + 8 * (xcount - 1)]);
  const auto x = reader->readRaw(reader->block(lastX)->offset, reader->block(lastX)->size);
  const std::size_t leaves = load16(&x[2]);
  const auto last = reader->readData(load64(&x[8 + 8 * (leaves - 1)]));
  auto expectedLast = blockContent(fullBlocks);
  expectedLast.resize(tail);
  EXPECT_EQ(last, expectedLast);
  EXPECT_EQ(reader->readData(load64(&x[8 + 8 * (leaves - 2)])), blockContent(fullBlocks - 1));
}

}  // namespace
}  // namespace mailferry::pst
