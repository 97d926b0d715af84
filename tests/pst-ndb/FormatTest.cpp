// The node database's pure functions and constants against known vectors and against the
// bytes of Outlook's own file.
#include "pst/ndb/Format.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string_view>

#include "pst/ndb/Header.h"
#include "pst/ndb/NdbReader.h"
#include "tests/pst-ndb/NdbTestFiles.h"

namespace mailferry::pst {
namespace {

using namespace format;

std::span<const std::uint8_t> ascii(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(Format, CrcVectors) {
  EXPECT_EQ(computeCrc(ascii("123456789")), 0x2DFD2D88u);
  EXPECT_EQ(computeCrc({}), 0u);
  // A CRC continues over a following range.
  EXPECT_EQ(computeCrc(ascii("56789"), computeCrc(ascii("1234"))), 0x2DFD2D88u);
}

TEST(Format, HeaderOfOutlooksFile) {
  const auto file = testing::readWholeFile(testing::referencePst());
  ASSERT_GE(file.size(), kHeaderSize);
  EXPECT_EQ(computeCrc({file.data() + header::kCrcStart, header::kCrcPartialLength}), 0x591902ABu);
  EXPECT_EQ(computeCrc({file.data() + header::kCrcStart, header::kCrcFullLength}), 0x51E64051u);
  EXPECT_TRUE(headerCrcsMatch(file));
  const Header h = decodeHeader(file);
  EXPECT_EQ(h.bidNextP, 0xC0Bu);
  EXPECT_EQ(h.bidNextB, 0x12F0u);
  EXPECT_EQ(h.fileEof, 0x42400u);
  EXPECT_EQ(h.amapLast, 0x4400u);
  EXPECT_EQ(h.amapFree, 0x23B80u);
  EXPECT_EQ(h.pmapFree, 0x3200u);
  EXPECT_EQ(h.nbt.bid, 0xC07u);
  EXPECT_EQ(h.nbt.ib, 0x17C00u);
  EXPECT_EQ(h.rgnid[4], 0x10012u);
  EXPECT_EQ(h.cryptMethod, 1);

  // Our encoder writes the decoded fields back at the same places.
  auto encoded = encodeHeader(h);
  for (std::size_t off : {header::kBidNextP, header::kRgnid, header::kFileEof, header::kBrefBbt,
                          header::kRgbFM, header::kRgbFP, header::kBidNextB}) {
    EXPECT_EQ(load64(&encoded[off]), load64(&file[off])) << "field at " << off;
  }
  EXPECT_TRUE(headerCrcsMatch(encoded));
  auto damaged = encoded;
  damaged[header::kBidNextB] ^= 1;
  EXPECT_FALSE(headerCrcsMatch(damaged));
}

TEST(Format, SignaturesOfOutlooksPagesAndBlocks) {
  EXPECT_EQ(computeSig(0, 0), 0);
  EXPECT_EQ(computeSig(0x10000, 0), 1);
  EXPECT_EQ(computeSig(0x123456789ull, 0x89), 0x2345 ^ 0x6700);
  const auto file = testing::readWholeFile(testing::referencePst());
  // NBT root page (0xC07 at 0x17C00) and every block of the BBT.
  EXPECT_EQ(load16(&file[0x17C00 + pagetrailer::kSig]), computeSig(0x17C00, 0xC07));
  auto reader = NdbReader::open(testing::referencePst());
  for (const BlockEntry& b : reader->blocks()) {
    const std::uint64_t trailer = b.offset + blockDiskSize(b.size) - kBlockTrailerSize;
    EXPECT_EQ(load16(&file[trailer + blocktrailer::kSig]), computeSig(b.offset, b.bid));
    EXPECT_EQ(load32(&file[trailer + blocktrailer::kCrc]),
              computeCrc({file.data() + b.offset, b.size}));
  }
}

TEST(Format, PermutativeEncoding) {
  std::vector<std::uint8_t> all(256);
  std::iota(all.begin(), all.end(), 0);
  auto encoded = all;
  permuteEncode(encoded);
  EXPECT_EQ(encoded[0], 65);  // mpbbCrypt[0]
  EXPECT_EQ(encoded[255], 61);
  EXPECT_EQ(kPermuteDecode[0], 71);  // mpbbCrypt[512]
  EXPECT_EQ(kPermuteDecode[255], 236);
  auto sorted = encoded;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, all) << "encoding must be a permutation";
  permuteDecode(encoded);
  EXPECT_EQ(encoded, all);

  // Outlook's message store heap: a heap signature appears only once decoded.
  auto reader = NdbReader::open(testing::referencePst());
  const auto store = reader->node(0x21);
  ASSERT_TRUE(store.has_value());
  const auto entry = reader->block(store->data);
  ASSERT_TRUE(entry.has_value());
  auto raw = reader->readRaw(entry->offset, entry->size);
  EXPECT_NE(raw[2], 0xEC);
  permuteDecode(raw);
  EXPECT_EQ(raw[2], 0xEC);
  EXPECT_EQ(raw[3], 0xBC);
}

// The processor-specific CRC and encoding must agree with the portable ones at every length
// and alignment: short tails, lengths around the 64- and 16-byte steps, a full block, and a
// CRC continued from a previous range.
TEST(Format, FastCrcAndEncodingAgreeWithThePortableOnes) {
  std::vector<std::uint8_t> data(kMaxBlockData + 64);
  std::uint32_t state = 12345;
  for (auto& b : data) {
    state = state * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(state >> 16);
  }
  std::vector<std::size_t> lengths(200);
  std::iota(lengths.begin(), lengths.end(), 0);
  for (std::size_t n : {255, 256, 257, 1023, 4096, 8175, 8176}) lengths.push_back(n);
  for (std::size_t offset : {0, 1, 7, 16, 33}) {
    for (std::size_t n : lengths) {
      SCOPED_TRACE("offset " + std::to_string(offset) + ", length " + std::to_string(n));
      const std::span<const std::uint8_t> range(data.data() + offset, n);
      ASSERT_EQ(computeCrc(range), computeCrcPortable(range));
      ASSERT_EQ(computeCrc(range, 0xDEADBEEF), computeCrcPortable(range, 0xDEADBEEF));
      std::vector<std::uint8_t> fast(range.begin(), range.end()), portable = fast;
      permuteEncode(fast);
      permuteEncodePortable(portable);
      ASSERT_EQ(fast, portable);
    }
  }
}

TEST(Format, MapPlacesAndSizes) {
  EXPECT_EQ(blockDiskSize(0), 64u);
  EXPECT_EQ(blockDiskSize(48), 64u);
  EXPECT_EQ(blockDiskSize(49), 128u);
  EXPECT_EQ(blockDiskSize(kMaxBlockData), kMaxBlockSize);
  EXPECT_EQ(intervalStart(1), 0x42400u);
  EXPECT_EQ(intervalOf(0x42400 - 1), 0u);
  EXPECT_EQ(intervalOf(0x42400), 1u);
  EXPECT_EQ(mapPagesEnd(0), 0x4800u);
  EXPECT_EQ(mapPagesEnd(1), 0x42600u);  // no PMap
  EXPECT_EQ(mapPagesEnd(8), intervalStart(8) + 0x400);
  EXPECT_EQ(mapPagesEnd(128), intervalStart(128) + 0x600);  // AMap, PMap, FMap
  EXPECT_EQ(fmapOffset(128), 0x1F04800u);
  EXPECT_TRUE(hasFMap(128 + 496));
  EXPECT_FALSE(hasFMap(127));
  EXPECT_FALSE(hasFMap(129));
  EXPECT_EQ(fmapOffset(8192), 0x7C004800u);
  EXPECT_TRUE(hasFPMap(8192 + 31744));
  EXPECT_FALSE(hasFPMap(8192 + 496));
  for (std::uint64_t k = 0; k < 70000; ++k) {
    EXPECT_FALSE(hasFMap(k) && hasFPMap(k)) << k;
    if (hasFMap(k) || hasFPMap(k)) {
      EXPECT_TRUE(hasPMap(k)) << k;
    }
  }
}

}  // namespace
}  // namespace mailferry::pst
