// Creating a node database: exclusive creation, the header of an empty file, node id
// counters, and how data blocks are stored for each encoding.
#include "pst/ndb/NodeDatabase.h"

#include <gtest/gtest.h>

#include "pst/PstError.h"
#include "pst/ndb/Format.h"
#include "pst/ndb/Header.h"
#include "pst/ndb/NdbReader.h"
#include "tests/pst-ndb/NdbLayoutCheck.h"
#include "tests/pst-ndb/NdbTestFiles.h"

namespace mailferry::pst {
namespace {

using namespace format;

Header headerOf(const std::filesystem::path& p) {
  return decodeHeader(testing::readWholeFile(p));
}

TEST(NodeDatabase, CreatesAValidEmptyFile) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "empty.pst";
  {
    auto db = NodeDatabase::create(path);
    EXPECT_EQ(db->path(), path);
    EXPECT_EQ(db->bytesSinceCommit(), 0u);
  }
  EXPECT_EQ(std::filesystem::file_size(path), 271360u);  // one whole AMap interval
  const auto layout = testing::checkNdbLayout(path);
  EXPECT_EQ(layout.intervals, 1u);
  EXPECT_EQ(layout.nodes, 0u);
  EXPECT_EQ(layout.blocks, 0u);

  const auto bytes = testing::readWholeFile(path);
  EXPECT_EQ(bytes[header::kMagicClient], 'S');
  EXPECT_EQ(bytes[header::kMagicClient + 1], 'M');
  EXPECT_EQ(bytes[header::kCryptMethod], 0x01);
  for (std::size_t i = kHeaderSize; i < kDListOffset; ++i) ASSERT_EQ(bytes[i], 0) << i;
  const Header h = decodeHeader(bytes);
  EXPECT_EQ(h.bidNextB % 4, 0u);
  EXPECT_EQ(h.rgbFM[0], 255);  // the empty interval's longest free run, capped
  EXPECT_EQ(h.rgbFM[1], 0);    // no such AMap

  auto reader = NdbReader::open(path);
  EXPECT_TRUE(reader->nodes().empty());
  EXPECT_EQ(reader->crypt(), CryptMethod::Permute);
}

TEST(NodeDatabase, NeverOverwritesAnExistingFile) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "precious.pst";
  testing::writeWholeFile(path, {1, 2, 3});
  try {
    NodeDatabase::create(path);
    ADD_FAILURE() << "an existing file was accepted";
  } catch (const PstError& e) {
    EXPECT_EQ(e.file(), path.string());
    EXPECT_NE(std::string(e.what()).find("already exists"), std::string::npos) << e.what();
  }
  EXPECT_EQ(testing::readWholeFile(path), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_THROW(NodeDatabase::create(dir / "missing" / "x.pst"), PstError);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(NodeDatabase, NodeIdCountersFollowOutlook) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "ids.pst";
  auto db = NodeDatabase::create(path);
  Header h = headerOf(path);
  EXPECT_EQ(h.rgnid[0x02], 0x400u);
  EXPECT_EQ(h.rgnid[0x03], 0x4000u);
  EXPECT_EQ(h.rgnid[0x04], 0x10000u);
  EXPECT_EQ(h.rgnid[0x08], 0x8000u);
  EXPECT_EQ(h.rgnid[0x1F], 0x400u);
  for (int t : {0x06, 0x07, 0x10}) EXPECT_EQ(h.rgnid[t], h.rgnid[0x03]) << t;
  for (int t : {0x0D, 0x0E, 0x0F}) EXPECT_EQ(h.rgnid[t], h.rgnid[0x02]) << t;

  EXPECT_EQ(db->allocateNid(NidType::NormalFolder), 0x8022u);
  EXPECT_EQ(db->allocateNid(NidType::NormalFolder), 0x8042u);
  EXPECT_EQ(db->allocateNid(NidType::NormalMessage), 0x200024u);
  EXPECT_EQ(db->allocateNid(NidType::AssocMessage), 0x100028u);
  EXPECT_EQ(db->allocateNid(NidType::SearchFolder), 0x80023u);
  EXPECT_EQ(db->allocateNid(NidType::Attachment), 0x8025u);
  // A folder's tables share the folder's index, so their counters move with it.
  EXPECT_EQ(db->allocateNid(NidType::ContentsTable), makeNid(NidType::ContentsTable, 0x403));
  db->reserveNid(makeNid(NidType::Ltp, 0x500));
  db->reserveNid(makeNid(NidType::Ltp, 0x20));  // below the counter: no change
  const Bid block = db->writeBlock(testing::patternBytes(10, 1));
  db->putNode(makeNid(NidType::NormalMessage, 0x20000), {block, 0}, 0x122);
  db->commit();
  h = headerOf(path);
  EXPECT_EQ(h.rgnid[0x02], 0x403u);
  for (int t : {0x0D, 0x0E, 0x0F}) EXPECT_EQ(h.rgnid[t], 0x403u) << t;
  EXPECT_EQ(h.rgnid[0x03], 0x4001u);
  for (int t : {0x06, 0x07, 0x10}) EXPECT_EQ(h.rgnid[t], 0x4001u) << t;
  EXPECT_EQ(h.rgnid[0x04], 0x20000u);  // raised by the node put at a fixed id
  EXPECT_EQ(h.rgnid[0x05], 0x401u);
  EXPECT_EQ(h.rgnid[0x1F], 0x500u);
  testing::checkNdbLayout(path);
}

TEST(NodeDatabase, EachHeaderWriteChangesDwUnique) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "unique.pst";
  auto db = NodeDatabase::create(path);
  std::uint32_t last = headerOf(path).unique;
  for (int i = 0; i < 3; ++i) {
    db->commit();
    const auto bytes = testing::readWholeFile(path);
    EXPECT_TRUE(headerCrcsMatch(bytes));
    EXPECT_NE(decodeHeader(bytes).unique, last);
    last = decodeHeader(bytes).unique;
  }
}

TEST(NodeDatabase, DataBlocksAreEncodedAsRequested) {
  mailferry::testing::TempFolder dir;
  const auto plain = testing::patternBytes(3000, 7);
  for (CryptMethod crypt : {CryptMethod::None, CryptMethod::Permute}) {
    const auto path = dir / (crypt == CryptMethod::None ? "none.pst" : "permute.pst");
    auto db = NodeDatabase::create(path, crypt);
    const Bid leaf = db->writeBlock(plain);
    const Bid sub = db->writeSubnodes({{0x3F, leaf, 0}});
    db->putNode(0x21, {leaf, sub}, 0);
    db->commit();
    testing::checkNdbLayout(path);
    auto reader = NdbReader::open(path);
    EXPECT_EQ(reader->crypt(), crypt);
    EXPECT_EQ(reader->readData(leaf), plain);
    auto raw = reader->readRaw(reader->block(leaf)->offset, plain.size());
    if (crypt == CryptMethod::None) {
      EXPECT_EQ(raw, plain);
    } else {
      EXPECT_NE(raw, plain);
      permuteDecode(raw);
      EXPECT_EQ(raw, plain);
    }
    // Internal blocks are never encoded.
    const auto slblock = reader->readRaw(reader->block(sub)->offset, 8);
    EXPECT_EQ(slblock[0], kBlockTypeSubnode);
    EXPECT_EQ(slblock[2], 1);
  }
}

TEST(NodeDatabase, RejectsBadBlocksAndReferences) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "bad.pst";
  auto db = NodeDatabase::create(path);
  EXPECT_THROW(db->writeBlock(std::vector<std::uint8_t>(kMaxBlockData + 1)), PstError);
  const Bid leaf = db->writeBlock(testing::patternBytes(100, 1));
  EXPECT_THROW(db->putNode(0x21, {leaf + 400, 0}, 0), PstError);
  EXPECT_FALSE(db->hasNode(0x21));
  EXPECT_THROW(db->writeSubnodes({{0x3F, leaf, 0}, {0x3F, leaf, 0}}), PstError);
  EXPECT_THROW(db->writeSubnodes({{0x3F, 0, 0}}), PstError);
  EXPECT_THROW(db->dataSize(leaf + 4000), PstError);
  db->putNode(0x21, {leaf, 0}, 0);
  db->commit();
  testing::checkNdbLayout(path);
  EXPECT_EQ(NdbReader::open(path)->readData(leaf), testing::patternBytes(100, 1));
}

}  // namespace
}  // namespace mailferry::pst
