// pstcheck on Outlook's own file (which must pass) and on copies with one fault each, which
// must fail naming the offset of the fault; on engine-written files with several faults at
// once (cut, grown past the committed end, a wrong allocation bit), each of which is named.
#include "tools/pstcheck/PstChecker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>

#include "pst/Hex.h"
#include "pst/PstError.h"
#include "pst/ndb/Format.h"
#include "pst/ndb/NdbReader.h"
#include "pst/ndb/NdbReaderLayout.h"
#include "tests/pstcheck/TestFiles.h"
#include "tests/support/ReaderOracles.h"
#include "tools/pstgen/SyntheticStore.h"

namespace mailferry::pstcheck {
namespace {

namespace fmt = pst::format;
using pst::Nid;

// Runs the checker and returns the offset it names, or -2 when the file passes.
std::int64_t failingOffset(const std::filesystem::path& file, std::string* message = nullptr) {
  try {
    checkPst(file);
    return -2;
  } catch (const pst::PstError& e) {
    if (message) *message = e.what();
    return e.offset();
  }
}

void rewriteAMapCrc(std::vector<std::uint8_t>& bytes, std::uint64_t amap) {
  const auto crc =
      fmt::computeCrc(std::span<const std::uint8_t>(bytes).subspan(amap, fmt::kPageDataSize));
  pst::store32(bytes.data() + amap + fmt::pagetrailer::kCrc, crc);
}

void rewriteHeaderCrcs(std::vector<std::uint8_t>& bytes) {
  namespace h = fmt::header;
  const std::span<const std::uint8_t> all(bytes);
  pst::store32(bytes.data() + h::kCrcPartial,
               fmt::computeCrc(all.subspan(h::kCrcStart, h::kCrcPartialLength)));
  pst::store32(bytes.data() + h::kCrcFull,
               fmt::computeCrc(all.subspan(h::kCrcStart, h::kCrcFullLength)));
}

// Changes an external block's decoded data and makes its trailer CRC right again.
void rewriteBlock(std::vector<std::uint8_t>& bytes, const pst::BlockEntry& b,
                  const std::function<void(std::vector<std::uint8_t>&)>& change) {
  std::vector<std::uint8_t> data(bytes.begin() + b.offset, bytes.begin() + b.offset + b.size);
  fmt::permuteDecode(data);
  change(data);
  fmt::permuteEncode(data);
  std::copy(data.begin(), data.end(), bytes.begin() + b.offset);
  const std::uint64_t trailer = b.offset + fmt::blockDiskSize(b.size) - fmt::kBlockTrailerSize;
  pst::store32(bytes.data() + trailer + fmt::blocktrailer::kCrc, fmt::computeCrc(data));
}

class PstCheck : public ::testing::Test {
 protected:
  std::filesystem::path damaged(const std::vector<std::uint8_t>& bytes) {
    const auto path = dir_.path() / "damaged.pst";
    testing::writeFile(path, bytes);
    return path;
  }
  mailferry::testing::TempFolder dir_;
  std::vector<std::uint8_t> original_ = testing::readFile(testing::referencePst());
};

TEST_F(PstCheck, AcceptsOutlooksOwnFile) {
  std::vector<std::string> lines;
  const auto summary =
      checkPst(testing::referencePst(), [&](const std::string& l) { lines.push_back(l); });
  EXPECT_EQ(summary.nodes, 128u);
  EXPECT_EQ(summary.blocks, 155u);
  EXPECT_EQ(summary.pages, 26u);
  EXPECT_GT(lines.size(), 5u);
}

TEST_F(PstCheck, NamesTheOffsetOfAFaultInTheHeaderPagesAndBlocks) {
  auto header = original_;
  header[0x30] ^= 0x01;  // rgnid[1]
  EXPECT_EQ(failingOffset(damaged(header)), 0x04);

  auto bbtLeaf = original_;
  auto reader = pst::NdbReader::open(testing::referencePst());
  // The first leaf of the BBT, found through the root's first entry (btkey, bid, ib).
  const std::uint64_t bbtRoot = pst::load64(bbtLeaf.data() + fmt::header::kBrefBbt + 8);
  const std::uint64_t leaf = pst::load64(bbtLeaf.data() + bbtRoot + 16);
  bbtLeaf[leaf + 40] ^= 0x01;
  EXPECT_EQ(failingOffset(damaged(bbtLeaf)), static_cast<std::int64_t>(leaf));

  const auto store = reader->block(reader->node(0x21)->data);
  auto block = original_;
  block[store->offset + 20] ^= 0x80;
  EXPECT_EQ(failingOffset(damaged(block)), static_cast<std::int64_t>(store->offset));
}

TEST_F(PstCheck, NamesTheAMapByteOfAWrongAllocationBit) {
  auto reader = pst::NdbReader::open(testing::referencePst());
  const auto store = reader->block(reader->node(0x21)->data);
  const std::uint64_t slot = (store->offset - fmt::kFirstAMapOffset) / fmt::kSlotSize;
  const std::uint64_t byte = fmt::kFirstAMapOffset + slot / 8;

  // A used slot marked free, with the AMap's CRC made right again.
  auto cleared = original_;
  cleared[byte] &= static_cast<std::uint8_t>(~(0x80 >> (slot % 8)));
  rewriteAMapCrc(cleared, fmt::kFirstAMapOffset);
  std::string message;
  EXPECT_EQ(failingOffset(damaged(cleared), &message), static_cast<std::int64_t>(byte)) << message;
  EXPECT_NE(message.find("clear"), std::string::npos) << message;

  // A free slot at the end of the interval marked allocated.
  auto set = original_;
  const std::uint64_t lastByte = fmt::kFirstAMapOffset + fmt::kPageDataSize - 1;
  ASSERT_EQ(set[lastByte] & 0x01, 0);
  set[lastByte] |= 0x01;
  rewriteAMapCrc(set, fmt::kFirstAMapOffset);
  EXPECT_EQ(failingOffset(damaged(set), &message), static_cast<std::int64_t>(lastByte)) << message;

  // The AMap page itself with a stale CRC.
  auto crc = original_;
  crc[fmt::kFirstAMapOffset + 100] ^= 0x01;
  EXPECT_EQ(failingOffset(damaged(crc)), static_cast<std::int64_t>(fmt::kFirstAMapOffset));
}

TEST_F(PstCheck, NamesTheHeaderFieldOfAWrongCounter) {
  auto bytes = original_;
  // rgnid[4], the message counter, below the messages in use.
  pst::store32(bytes.data() + fmt::header::kRgnid + 4 * 4, 0x10000);
  rewriteHeaderCrcs(bytes);
  std::string message;
  EXPECT_EQ(failingOffset(damaged(bytes), &message), fmt::header::kRgnid + 16) << message;

  bytes = original_;
  pst::store64(bytes.data() + fmt::header::kAMapFree, 0x23B40);
  rewriteHeaderCrcs(bytes);
  EXPECT_EQ(failingOffset(damaged(bytes), &message), fmt::header::kAMapFree) << message;
}

TEST_F(PstCheck, FindsAFolderCountThatDisagreesWithItsTables) {
  auto reader = pst::NdbReader::open(testing::referencePst());
  const Nid deletedItems = 0x8062;
  const auto pc = *reader->block(reader->node(deletedItems)->data);
  auto bytes = original_;
  rewriteBlock(bytes, pc, [](std::vector<std::uint8_t>& heap) {
    // The PC record of PidTagContentCount: id 0x3602, type 0x0003, inline value.
    const std::array<std::uint8_t, 4> record = {0x02, 0x36, 0x03, 0x00};
    auto at = std::search(heap.begin(), heap.end(), record.begin(), record.end());
    ASSERT_NE(at, heap.end());
    at[4] = 1;
  });
  std::string message;
  // The IPM subtree's hierarchy row for Deleted Items no longer matches the folder.
  const auto hierarchy = *reader->block(reader->node(0x802D)->data);
  EXPECT_EQ(failingOffset(damaged(bytes), &message), static_cast<std::int64_t>(hierarchy.offset))
      << message;
  EXPECT_NE(message.find("0x8062"), std::string::npos) << message;
}

TEST_F(PstCheck, FindsAMissingMandatoryNode) {
  // Renumber the search management queue 0x1E1 to 0x1E9 in its NBT leaf (order is kept).
  auto bytes = original_;
  auto reader = pst::NdbReader::open(testing::referencePst());
  std::uint64_t entry = 0;
  std::uint64_t page = 0;
  std::uint64_t lastPage = 0;
  const pst::ndbread::RawRead read = [&](std::uint64_t o, std::size_t n) {
    return reader->readRaw(o, n);
  };
  pst::Header header =
      pst::ndbread::parseHeader(reader->readRaw(0, fmt::kHeaderSize), testing::referencePst());
  pst::ndbread::walkBTree(
      read, testing::referencePst(), reader->fileSize(), pst::ndbread::TreeKind::Nodes, header.nbt,
      [&](const pst::ndbread::PageVisit& v) { lastPage = v.offset; },
      [&](std::span<const std::uint8_t> e, std::uint64_t at) {
        if (pst::load32(e.data()) == 0x1E1) {
          entry = at;
          page = lastPage;
        }
      });
  ASSERT_NE(entry, 0u);
  ASSERT_NE(entry, page) << "0x1E1 is the first key of its page";
  bytes[entry] = 0xE9;
  pst::store32(
      bytes.data() + page + fmt::pagetrailer::kCrc,
      fmt::computeCrc(std::span<const std::uint8_t>(bytes).subspan(page, fmt::kPageDataSize)));
  std::string message;
  EXPECT_EQ(failingOffset(damaged(bytes), &message), static_cast<std::int64_t>(header.nbt.ib))
      << message;
  EXPECT_NE(message.find("0x1E1"), std::string::npos) << message;
}

// Damage anywhere ends in a PstError or a pass: never in a crash, a hang or another kind of
// exception. Most rounds damage a block's decoded content and repair its CRC, so that the heap,
// table and messaging checks get the garbage, not just the CRC check.
TEST_F(PstCheck, SurvivesRandomDamage) {
  auto reader = pst::NdbReader::open(testing::referencePst());
  std::vector<pst::BlockEntry> external;
  for (const auto& b : reader->blocks())
    if (!fmt::isInternalBid(b.bid)) external.push_back(b);
  std::mt19937 rng(20261207);
  int failures = 0;
  for (int round = 0; round < 300; ++round) {
    auto bytes = original_;
    if (round % 4 == 0) {
      for (int flip = 0; flip < 3; ++flip)
        bytes[rng() % bytes.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
    } else {
      const auto& b = external[rng() % external.size()];
      rewriteBlock(bytes, b, [&](std::vector<std::uint8_t>& data) {
        for (int flip = 0; flip < 1 + round % 3; ++flip)
          data[rng() % data.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
      });
    }
    try {
      checkPst(damaged(bytes));
    } catch (const pst::PstError&) {
      ++failures;
    }
  }
  EXPECT_GT(failures, 100);
}

TEST_F(PstCheck, ToolExitsZeroOnSuccessAndOneNamingTheOffset) {
  ASSERT_NE(std::getenv("MAILFERRY_BIN_DIR"), nullptr);
  const auto good = testing::pstcheck(testing::referencePst());
  EXPECT_EQ(good.exitCode, 0) << good.output;
  EXPECT_NE(good.output.find("OK"), std::string::npos);

  auto header = original_;
  header[0x0B8] ^= 0x01;
  const auto bad = testing::pstcheck(damaged(header));
  EXPECT_EQ(bad.exitCode, 1) << bad.output;
  EXPECT_NE(bad.output.find("offset 0x4"), std::string::npos) << bad.output;
}

// An engine-written store of a few intervals, damaged in copies the way crashes and disks do.
class DamagedEngineFile : public PstCheck {
 protected:
  static void SetUpTestSuite() {
    source_ = std::make_unique<mailferry::testing::TempFolder>("pstcheck");
    pstgen::SyntheticOptions o;
    o.folders = 3;
    o.messages = 12;
    o.attachmentKb = 64;
    pstgen::writeSyntheticStore(source_->path() / "engine.pst", o);
  }
  static void TearDownTestSuite() { source_.reset(); }

  // Sets the AMap bit of the last slot of the first interval, which nothing uses.
  static std::uint64_t setUnusedAMapBit(std::vector<std::uint8_t>& bytes) {
    const std::uint64_t lastByte = fmt::kFirstAMapOffset + fmt::kPageDataSize - 1;
    EXPECT_EQ(bytes[lastByte] & 0x01, 0);
    bytes[lastByte] |= 0x01;
    rewriteAMapCrc(bytes, fmt::kFirstAMapOffset);
    return lastByte;
  }

  static std::vector<std::string> texts(const CheckReport& r) {
    std::vector<std::string> out;
    for (const auto& f : r.findings) out.push_back(f.what());
    return out;
  }
  static bool has(const CheckReport& r, const std::string& text, std::int64_t offset) {
    return std::any_of(r.findings.begin(), r.findings.end(), [&](const pst::PstError& e) {
      return e.offset() == offset && std::string(e.what()).find(text) != std::string::npos;
    });
  }

  static inline std::unique_ptr<mailferry::testing::TempFolder> source_;
  std::vector<std::uint8_t> engine_ = testing::readFile(source_->path() / "engine.pst");
};

TEST_F(DamagedEngineFile, AKilledWriteShowsTheSizeAndTheAllocationMapState) {
  ASSERT_TRUE(checkPstFully(source_->path() / "engine.pst").ok());
  auto bytes = engine_;
  const std::uint64_t amapByte = setUnusedAMapBit(bytes);
  // Blocks appended after the last commit: the header still names the committed end.
  bytes.resize(bytes.size() + 3 * fmt::kAMapInterval / 2, 0x5A);
  const auto report = checkPstFully(damaged(bytes));
  const auto all = ::testing::PrintToString(texts(report));
  EXPECT_EQ(report.findings.size(), 3u) << all;
  EXPECT_TRUE(has(report, "bytes follow the end the header records", fmt::header::kFileEof)) << all;
  EXPECT_TRUE(has(report, "is set, but no page or block uses that slot",
                  static_cast<std::int64_t>(amapByte)))
      << all;
  // The bit set is one free slot fewer than the header counts.
  EXPECT_TRUE(has(report, "header cbAMapFree", fmt::header::kAMapFree)) << all;
  EXPECT_TRUE(report.stoppedEarly.empty()) << report.stoppedEarly;

  // The tool names both, one line each, and exits 1.
  ASSERT_NE(std::getenv("MAILFERRY_BIN_DIR"), nullptr);
  const auto tool = testing::pstcheck(damaged(bytes));
  EXPECT_EQ(tool.exitCode, 1) << tool.output;
  EXPECT_NE(tool.output.find("FAILED at offset 0xB8: header ibFileEof"), std::string::npos)
      << tool.output;
  EXPECT_NE(tool.output.find("is set, but no page"), std::string::npos) << tool.output;
  EXPECT_NE(tool.output.find(": 3 findings\n"), std::string::npos) << tool.output;
}

TEST_F(DamagedEngineFile, ACutFileShowsTheSizeAndWhyTheCheckStopped) {
  auto bytes = engine_;
  ASSERT_GT(bytes.size(), fmt::fileSizeFor(2));
  // Cut inside the last interval, where the engine's last commit put the B-tree roots.
  const std::uint64_t lastStart =
      fmt::fileSizeFor((bytes.size() - fmt::kFirstAMapOffset) / fmt::kAMapInterval - 1);
  bytes.resize(lastStart + fmt::kAMapInterval / 2);
  const auto report = checkPstFully(damaged(bytes));
  const auto all = ::testing::PrintToString(texts(report));
  EXPECT_TRUE(has(report, "bytes the header records (truncated?)", fmt::header::kFileEof)) << all;
  EXPECT_TRUE(has(report, "does not fall on an AMap interval boundary", fmt::header::kFileEof))
      << all;
  const auto root =
      static_cast<std::int64_t>(pst::load64(bytes.data() + fmt::header::kBrefBbt + 8));
  EXPECT_TRUE(has(report, "lies past the end of the file", root)) << all;
  EXPECT_NE(report.stoppedEarly.find("B-trees cannot be read"), std::string::npos)
      << report.stoppedEarly;
}

TEST_F(DamagedEngineFile, IndependentFaultsAreAllNamedUpToTheLimit) {
  auto bytes = engine_;
  const std::uint64_t amapByte = setUnusedAMapBit(bytes);
  pst::store64(bytes.data() + fmt::header::kAMapFree, 0x40);
  rewriteHeaderCrcs(bytes);
  // Two external blocks with a damaged stored byte each.
  auto reader = pst::NdbReader::open(source_->path() / "engine.pst");
  std::vector<pst::BlockEntry> external;
  for (const auto& b : reader->blocks())
    if (!fmt::isInternalBid(b.bid) && b.size > 16) external.push_back(b);
  ASSERT_GE(external.size(), 2u);
  bytes[external.front().offset + 3] ^= 0x10;
  bytes[external.back().offset + 3] ^= 0x10;

  const auto report = checkPstFully(damaged(bytes));
  const auto all = ::testing::PrintToString(texts(report));
  EXPECT_TRUE(has(report, "is set, but no page", static_cast<std::int64_t>(amapByte))) << all;
  EXPECT_TRUE(has(report, "header cbAMapFree", fmt::header::kAMapFree)) << all;
  for (const auto& b : {external.front(), external.back()})
    EXPECT_TRUE(has(report, "", static_cast<std::int64_t>(b.offset))) << all;
  EXPECT_TRUE(report.stoppedEarly.empty()) << report.stoppedEarly;

  const auto limited = checkPstFully(damaged(bytes), {2, {}});
  EXPECT_EQ(limited.findings.size(), 2u);
  EXPECT_EQ(limited.stoppedEarly, "stopped after 2 findings");
  EXPECT_EQ(std::string(limited.findings.front().what()), report.findings.front().what());
}

// A subnode block reached twice from one node is named as such: walking it again would repeat
// the work, exponentially so along a chain of blocks that each reach the next twice.
TEST_F(DamagedEngineFile, ASubnodeTreeReachedTwiceEndsTheWalkOfItsNode) {
  auto reader = pst::NdbReader::open(source_->path() / "engine.pst");
  std::optional<pst::BlockEntry> list;
  pst::Nid owner = 0;
  for (const auto& n : reader->nodes()) {
    if (n.sub == 0) continue;
    const auto b = reader->block(n.sub);
    if (b && reader->readSubnodes(n.sub).size() >= 2 &&
        engine_[b->offset] == fmt::kBlockTypeSubnode && engine_[b->offset + 1] == 0) {
      list = b;
      owner = n.nid;
      break;
    }
  }
  ASSERT_TRUE(list.has_value());
  auto bytes = engine_;
  for (std::size_t e = 0; e < 2; ++e)
    pst::store64(bytes.data() + list->offset + fmt::kInternalBlockHeader + 24 * e + 16, list->bid);
  const std::uint64_t trailer =
      list->offset + fmt::blockDiskSize(list->size) - fmt::kBlockTrailerSize;
  pst::store32(
      bytes.data() + trailer + fmt::blocktrailer::kCrc,
      fmt::computeCrc(std::span<const std::uint8_t>(bytes).subspan(list->offset, list->size)));
  const auto report = checkPstFully(damaged(bytes));
  const std::string loop =
      "subnode tree " + pst::hex(list->bid) + " is reached twice from node " + pst::hex(owner);
  EXPECT_TRUE(std::any_of(report.findings.begin(), report.findings.end(),
                          [&](const pst::PstError& e) {
                            return std::string(e.what()).find(loop) != std::string::npos;
                          }))
      << ::testing::PrintToString(texts(report));
}

TEST_F(DamagedEngineFile, AnUnreadableHeaderStopsTheCheckSayingWhy) {
  auto bytes = engine_;
  bytes[fmt::header::kMagic] = 'X';
  const auto report = checkPstFully(damaged(bytes));
  ASSERT_EQ(report.findings.size(), 1u) << ::testing::PrintToString(texts(report));
  EXPECT_EQ(report.stoppedEarly, "the header cannot be read, so nothing else can be checked");

  bytes.resize(100);
  const auto tool = testing::pstcheck(damaged(bytes));
  EXPECT_EQ(tool.exitCode, 1) << tool.output;
  EXPECT_NE(tool.output.find("too short for a PST header"), std::string::npos) << tool.output;
  EXPECT_NE(tool.output.find("checking stopped early: the header cannot be read"),
            std::string::npos)
      << tool.output;
}

}  // namespace
}  // namespace mailferry::pstcheck
