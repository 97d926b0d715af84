// Table contexts through real files: every cell width, absent and empty cells, big and
// streamed cells, upserts and removals, the row matrix in the heap and in whole-row blocks,
// and a 100,000-row table written again after appending rows.
#include <gtest/gtest.h>

#include <map>

#include "pst/ltp/BTreeOnHeapReader.h"
#include "pst/ltp/HeapReader.h"
#include "pst/ltp/TableContext.h"
#include "pst/ltp/TableLayout.h"
#include "tests/pst-ltp/TempPst.h"

namespace mailferry::pst {
namespace {

using testing::TempPst;

constexpr PropTag kTime = 0x0E060040;
constexpr PropTag kFlags = 0x0E070003;
constexpr PropTag kSize = 0x0E080003;
constexpr PropTag kShort = 0x10000002;
constexpr PropTag kRead = 0x0E69000B;
constexpr PropTag kSubject = 0x0037001F;
constexpr PropTag kSearchKey = 0x300B0102;
constexpr PropTag kGuid = 0x10010048;
constexpr PropTag kKeywords = 0x1002101F;

std::vector<std::uint8_t> le(std::uint64_t v, std::size_t n) {
  std::vector<std::uint8_t> out;
  pst::appendLe(out, v, n);
  return out;
}

// A table written to a real file and read back.
struct TableFile {
  TempPst temp;
  std::unique_ptr<NodeDatabase> db = NodeDatabase::create(temp.path());
  Nid nid = db->allocateNid(NidType::ContentsTable);
  NodeRefs refs;
  std::unique_ptr<NdbReader> ndb;

  TableContextReader writeAndRead(TableContextWriter& table) {
    refs = table.write(*db);
    db->putNode(nid, refs, 0);
    db->commit();
    ndb = NdbReader::open(temp.path());
    return TableContextReader(*ndb, refs, nid);
  }
};

Cells messageCells(std::uint32_t i) {
  return {{kTime, PropValue::time(1000000 + i)},
          {kFlags, PropValue::int32(static_cast<std::int32_t>(i % 5))},
          {kSize, PropValue::int32(static_cast<std::int32_t>(i * 10))},
          {kRead, PropValue::boolean(i % 3 == 0)},
          {kSubject, PropValue::utf8("Subject of message " + std::to_string(i))}};
}

void expectMessageRow(const ReadRow& row, std::uint32_t i) {
  ASSERT_NE(row.find(kSubject), nullptr);
  EXPECT_EQ(PropValue(PropType::Unicode, *row.find(kSubject)).asUtf8(),
            "Subject of message " + std::to_string(i));
  EXPECT_EQ(*row.find(kTime), le(1000000 + i, 8));
  EXPECT_EQ(*row.find(kSize), le(i * 10, 4));
  EXPECT_EQ(*row.find(kRead), std::vector<std::uint8_t>{i % 3 == 0});
}

TEST(TableContext, CellsOfEveryWidthRoundTrip) {
  TableContextWriter table({kTime, kFlags, kShort, kRead, kSubject, kSearchKey, kGuid, kKeywords});
  EXPECT_EQ(table.columns().size(), 8u);
  const Guid guid = guidFromString("00062008-0000-0000-C000-000000000046");
  table.upsertRow(0x200024, {{kTime, PropValue::time(0x01D9000000000000)},
                             {kFlags, PropValue::int32(0x11)},
                             {kShort, PropValue::int16(-5)},
                             {kRead, PropValue::boolean(true)},
                             {kSubject, PropValue::utf8("Hello")},
                             {kSearchKey, PropValue::binary(std::string_view("0123456789abcdef"))},
                             {kGuid, PropValue::guid(guid)},
                             {kKeywords, PropValue::multiString({u"a", u"", u"bc"})},
                             {0x3001001F, PropValue::utf8("not a column")}});
  // Absent cells have their bit clear; an empty string exists with HNID 0.
  table.upsertRow(0x200044, {{kFlags, PropValue::int32(0)}, {kSubject, PropValue::string(u"")}});
  // Too big for the heap: a subnode of the table node.
  table.upsertRow(0x200064, {{kSubject, PropValue::string(std::u16string(4000, u'q'))}});

  TableFile file;
  const auto read = file.writeAndRead(table);
  ASSERT_EQ(read.rows().size(), 3u);
  EXPECT_EQ(read.columns().size(), 10u);
  const ReadRow& full = read.rows()[0];
  EXPECT_EQ(full.rowId, 0x200024u);
  EXPECT_EQ(full.cells.size(), 10u);
  EXPECT_EQ(*full.find(pst::tags::kLtpRowId), le(0x200024, 4));
  EXPECT_EQ(*full.find(kTime), le(0x01D9000000000000, 8));
  EXPECT_EQ(*full.find(kShort), le(0xFFFB, 2));
  EXPECT_EQ(*full.find(kRead), std::vector<std::uint8_t>{1});
  EXPECT_EQ(PropValue(PropType::Unicode, *full.find(kSubject)).asUtf8(), "Hello");
  EXPECT_EQ(*full.find(kGuid), std::vector<std::uint8_t>(guid.begin(), guid.end()));
  EXPECT_EQ(PropValue(PropType::MultiUnicode, *full.find(kKeywords)),
            PropValue::multiString({u"a", u"", u"bc"}));
  EXPECT_EQ(full.find(0x3001001F), nullptr);

  const ReadRow& sparse = read.rows()[1];
  EXPECT_EQ(sparse.cells.size(), 4u);  // row id, row version, flags, empty subject
  EXPECT_EQ(sparse.find(kTime), nullptr);
  ASSERT_NE(sparse.find(kSubject), nullptr);
  EXPECT_TRUE(sparse.find(kSubject)->empty());

  EXPECT_EQ(read.rows()[2].find(kSubject)->size(), 8000u);
  // Row versions grow with every row written.
  EXPECT_LT(pst::le32(*read.rows()[0].find(pst::tags::kLtpRowVer), 0),
            pst::le32(*read.rows()[1].find(pst::tags::kLtpRowVer), 0));

  // Outlook's heap order: row index header, TCINFO (the user root), row index leaf, rows.
  ltp::HeapReader heap(file.ndb->readLeaves(file.refs.data), "tc", "");
  EXPECT_EQ(heap.userRoot(), 0x40u);
  const auto info = heap.item(0x40);
  EXPECT_EQ(pst::le32(info, 10), 0x20u);
  EXPECT_EQ(pst::le32(info, 14), 0x80u);  // a small matrix is a heap item
  EXPECT_EQ(heap.item(0x80).size(), 3 * ltp::TableLayout(table.columns()).rowSize());
}

TEST(TableContext, EmptyTableHasAnEmptyRowIndexAndNoMatrix) {
  TableContextWriter table({kSubject});
  TableFile file;
  const auto read = file.writeAndRead(table);
  EXPECT_TRUE(read.rows().empty());
  ltp::HeapReader heap(file.ndb->readLeaves(file.refs.data), "tc", "");
  const auto info = heap.item(heap.userRoot());
  EXPECT_EQ(pst::le32(info, 14), 0u);
  EXPECT_EQ(pst::le32(heap.item(pst::le32(info, 10)), 4), 0u);  // hidRoot 0
  EXPECT_EQ(file.refs.sub, 0u);
}

TEST(TableContext, UpsertReplacesAndRemoveDropsRows) {
  TableContextWriter table({kTime, kFlags, kSize, kRead, kSubject});
  for (std::uint32_t i = 0; i < 200; ++i) table.upsertRow(0x10004 + 32 * i, messageCells(i));
  TableFile file;
  file.writeAndRead(table);

  // Replace a row: the cells it no longer has disappear, the new ones appear.
  table.upsertRow(0x10004 + 32 * 7,
                  {{kSubject, PropValue::utf8("changed")}, {kFlags, PropValue::int32(99)}});
  // Remove the first, a middle and the last row; unknown ids are refused.
  EXPECT_TRUE(table.removeRow(0x10004));
  EXPECT_TRUE(table.removeRow(0x10004 + 32 * 100));
  EXPECT_TRUE(table.removeRow(0x10004 + 32 * 199));
  EXPECT_FALSE(table.removeRow(0x10004 + 32 * 100));
  EXPECT_FALSE(table.removeRow(0x12345));
  EXPECT_EQ(table.rowCount(), 197u);

  const auto read = file.writeAndRead(table);
  ASSERT_EQ(read.rows().size(), 197u);
  std::map<std::uint32_t, const ReadRow*> byId;
  for (const ReadRow& row : read.rows()) byId[row.rowId] = &row;
  ASSERT_EQ(byId.size(), 197u);
  for (std::uint32_t i = 0; i < 200; ++i) {
    SCOPED_TRACE(i);
    const std::uint32_t id = 0x10004 + 32 * i;
    if (i == 0 || i == 100 || i == 199) {
      EXPECT_EQ(byId.count(id), 0u);
    } else if (i == 7) {
      const ReadRow& row = *byId.at(id);
      EXPECT_EQ(PropValue(PropType::Unicode, *row.find(kSubject)).asUtf8(), "changed");
      EXPECT_EQ(*row.find(kFlags), le(99, 4));
      EXPECT_EQ(row.find(kTime), nullptr);
    } else {
      expectMessageRow(*byId.at(id), i);
    }
  }
}

// A table written again without changes costs nothing new and the node stays readable after
// it is put again with the same blocks.
TEST(TableContext, WritingAnUnchangedTableAgainWritesNothing) {
  TableContextWriter table({kTime, kFlags, kSize, kRead, kSubject});
  for (std::uint32_t i = 0; i < 20; ++i) table.upsertRow(4 + 32 * i, messageCells(i));
  TableFile file;
  file.writeAndRead(table);
  const NodeRefs before = file.refs;
  const NodeRefs again = table.write(*file.db);
  EXPECT_EQ(again.data, before.data);
  EXPECT_EQ(again.sub, before.sub);
  EXPECT_EQ(file.db->bytesSinceCommit(), 0u);
  const auto read = file.writeAndRead(table);
  ASSERT_EQ(read.rows().size(), 20u);
  for (const ReadRow& row : read.rows()) expectMessageRow(row, (row.rowId - 4) / 32);
}

// The matrix moves from the heap to a subnode of whole-row blocks as the table grows, and
// back when it shrinks.
TEST(TableContext, RowMatrixMovesBetweenHeapAndSubnode) {
  TableContextWriter table({kTime, kFlags, kSize, kRead, kSubject});
  const std::size_t rowSize = ltp::TableLayout(table.columns()).rowSize();
  TableFile file;
  std::uint32_t rows = 0;
  for (std::uint32_t target : {10u, 3000u, 12u}) {
    SCOPED_TRACE(target);
    while (rows < target) table.upsertRow(4 + 32 * rows, messageCells(rows)), ++rows;
    while (rows > target) table.removeRow(4 + 32 * --rows);
    const auto read = file.writeAndRead(table);
    ASSERT_EQ(read.rows().size(), target);
    for (const ReadRow& row : read.rows()) expectMessageRow(row, (row.rowId - 4) / 32);
    ltp::HeapReader heap(file.ndb->readLeaves(file.refs.data), "tc", "");
    const std::uint32_t hnidRows = pst::le32(heap.item(heap.userRoot()), 14);
    EXPECT_EQ(ltp::isHid(hnidRows), target * rowSize <= ltp::kMaxItemSize);
    if (!ltp::isHid(hnidRows)) {
      const auto subnodes = file.ndb->readSubnodes(file.refs.sub);
      const auto it = std::find_if(subnodes.begin(), subnodes.end(),
                                   [&](const SubnodeEntry& s) { return s.nid == hnidRows; });
      ASSERT_NE(it, subnodes.end());
      const auto leaves = file.ndb->readLeaves(it->data);
      const std::size_t perBlock = 8176 / rowSize;
      // Full blocks hold perBlock rows and are padded to the whole block.
      for (std::size_t b = 0; b + 1 < leaves.size(); ++b) {
        EXPECT_EQ(leaves[b].size(), 8176u);
        EXPECT_TRUE(std::all_of(leaves[b].begin() + perBlock * rowSize, leaves[b].end(),
                                [](std::uint8_t x) { return x == 0; }));
      }
      EXPECT_EQ(leaves.back().size() % rowSize, 0u);
    }
  }
}

TEST(TableContext, HundredThousandRowsWrittenAgainReuseUnchangedBlocks) {
  TableContextWriter table({kTime, kFlags, kSize, kRead, kSubject});
  for (std::uint32_t i = 0; i < 100000; ++i) table.upsertRow(0x200004 + 32 * i, messageCells(i));
  TableFile file;
  file.refs = table.write(*file.db);
  const std::uint64_t firstWrite = file.db->bytesSinceCommit();
  file.db->putNode(file.nid, file.refs, 0);
  file.db->commit();

  for (std::uint32_t i = 100000; i < 100100; ++i)
    table.upsertRow(0x200004 + 32 * i, messageCells(i));
  file.refs = table.write(*file.db);
  // Only the last row-matrix block, the last index leaf, the pages of the new values, the
  // headers whose fill levels changed and the data trees are new.
  const std::uint64_t secondWrite = file.db->bytesSinceCommit();
  file.db->putNode(file.nid, file.refs, 0);
  file.db->commit();
  EXPECT_GT(firstWrite, 5'000'000u);
  EXPECT_LT(secondWrite, firstWrite / 20) << "first " << firstWrite << ", second " << secondWrite;

  file.ndb = NdbReader::open(file.temp.path());
  const TableContextReader read(*file.ndb, file.refs, file.nid);
  ASSERT_EQ(read.rows().size(), 100100u);
  for (std::uint32_t i = 0; i < read.rows().size(); ++i) {
    ASSERT_EQ(read.rows()[i].rowId, 0x200004 + 32 * i);
    if (i % 997 == 0 || i >= 100000) expectMessageRow(read.rows()[i], i);
  }
  ltp::HeapReader heap(file.ndb->readLeaves(file.refs.data), "tc", "");
  const ltp::BTreeOnHeapReader index(heap, pst::le32(heap.item(heap.userRoot()), 10), 4, 4);
  EXPECT_EQ(index.levels(), 1);
  EXPECT_EQ(index.size(), 100100u);
}

}  // namespace
}  // namespace mailferry::pst
