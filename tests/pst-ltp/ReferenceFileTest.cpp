// Outlook's own file read through the property and table context readers, and our row layout
// compared with the layout Outlook gave its table templates.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "pst/ltp/TableLayout.h"
#include "tests/support/TestData.h"

namespace mailferry::pst {
namespace {

class ReferenceFile : public ::testing::Test {
 protected:
  void SetUp() override { ndb = NdbReader::open(testing::referencePst()); }
  NodeRefs refsOf(Nid nid) const {
    const auto node = ndb->node(nid);
    if (!node) throw std::runtime_error("reference file lacks node " + std::to_string(nid));
    return {node->data, node->sub};
  }
  std::unique_ptr<NdbReader> ndb;
};

TEST_F(ReferenceFile, StoreRootFolderAndNameMapRead) {
  const PropertyContextReader store(*ndb, refsOf(nids::kMessageStore), nids::kMessageStore);
  ASSERT_TRUE(store.value(0x3001).has_value());
  EXPECT_EQ(store.value(0x3001)->asUtf8(), "Personal Folders");

  const PropertyContextReader root(*ndb, refsOf(nids::kRootFolder), nids::kRootFolder);
  ASSERT_NE(root.find(0x3001), nullptr);
  EXPECT_TRUE(root.find(0x3001)->bytes.empty());  // "" is stored as HNID 0
  EXPECT_EQ(root.value(0x360A)->asBool(), true);  // PidTagSubfolders, an inline boolean

  // The root's hierarchy table: one row per child folder, keyed by the folder's NID.
  const TableContextReader hierarchy(*ndb, refsOf(0x12D), 0x12D);
  ASSERT_EQ(hierarchy.rows().size(), 10u);
  for (const ReadRow& row : hierarchy.rows()) {
    SCOPED_TRACE(row.rowId);
    EXPECT_TRUE(ndb->node(row.rowId).has_value());
    ASSERT_NE(row.find(0x67F20003), nullptr);
    EXPECT_EQ(pst::le32(*row.find(0x67F20003), 0), row.rowId);
    const PropertyContextReader folder(*ndb, refsOf(row.rowId), row.rowId);
    ASSERT_NE(row.find(0x3001001F), nullptr);
    EXPECT_EQ(*row.find(0x3001001F), folder.find(0x3001)->bytes);
  }

  // The name-to-id map keeps its big streams in subnodes.
  const PropertyContextReader names(*ndb, refsOf(nids::kNameToIdMap), nids::kNameToIdMap);
  EXPECT_EQ(names.value(0x0001)->asInt32(), 251);
  EXPECT_EQ(names.find(0x0002)->bytes.size(), 176u);
  EXPECT_EQ(names.find(0x0003)->bytes.size(), 2904u);
  EXPECT_EQ(names.find(0x0004)->bytes.size(), 1644u);
}

// Every heap of the file, top-level nodes and subnodes alike, reads without a fault.
TEST_F(ReferenceFile, EveryPropertyAndTableContextReads) {
  std::size_t pcs = 0;
  std::size_t tcs = 0;
  std::function<void(Nid, NodeRefs)> readNode = [&](Nid nid, NodeRefs refs) {
    if (refs.data != 0) {
      const auto leaves = ndb->readLeaves(refs.data);
      if (!leaves.empty() && leaves[0].size() >= 4 && leaves[0][2] == 0xEC) {
        if (leaves[0][3] == 0xBC) {
          SCOPED_TRACE(nid);
          EXPECT_NO_THROW(PropertyContextReader(*ndb, refs, nid));
          ++pcs;
        } else if (leaves[0][3] == 0x7C) {
          SCOPED_TRACE(nid);
          EXPECT_NO_THROW(TableContextReader(*ndb, refs, nid));
          ++tcs;
        }
      }
    }
    if (refs.sub != 0) {
      for (const SubnodeEntry& s : ndb->readSubnodes(refs.sub)) readNode(s.nid, {s.data, s.sub});
    }
  };
  for (const NodeEntry& n : ndb->nodes()) readNode(n.nid, {n.data, n.sub});
  EXPECT_GE(pcs, 40u);
  EXPECT_GE(tcs, 70u);  // the file's 70 table contexts, some of them shared by several nodes
}

// Our layout of each template's columns, given in Outlook's column order (the order of their
// existence bits), must be exactly Outlook's: offsets, widths, bits and group ends.
TEST_F(ReferenceFile, TableLayoutMatchesOutlooksTemplates) {
  struct Expected {
    Nid nid;
    std::array<std::uint16_t, 4> ends;
  };
  for (const Expected& t :
       {Expected{0x60D, {52, 52, 53, 55}}, Expected{0x60E, {120, 120, 122, 126}},
        Expected{0x60F, {56, 56, 57, 59}}, Expected{0x610, {72, 72, 75, 78}},
        Expected{0x671, {24, 24, 24, 25}}, Expected{0x692, {48, 48, 50, 52}}}) {
    SCOPED_TRACE(t.nid);
    const TableContextReader tc(*ndb, refsOf(t.nid), t.nid);
    EXPECT_TRUE(tc.rows().empty());
    std::vector<ReadColumn> byBit = tc.columns();
    std::sort(byBit.begin(), byBit.end(), [](auto& a, auto& b) { return a.bit < b.bit; });
    std::vector<PropTag> order;
    for (const ReadColumn& c : byBit) order.push_back(c.tag);

    const ltp::TableLayout layout(order);
    EXPECT_EQ(layout.groupEnds(), t.ends);
    ASSERT_EQ(layout.columns().size(), tc.columns().size());
    for (std::size_t i = 0; i < tc.columns().size(); ++i) {
      const ReadColumn& theirs = tc.columns()[i];
      const ltp::ColumnLayout& ours = layout.columns()[i];
      EXPECT_EQ(ours.tag, theirs.tag);
      EXPECT_EQ(ours.offset, theirs.offset) << std::hex << theirs.tag;
      EXPECT_EQ(ours.width, theirs.width) << std::hex << theirs.tag;
      EXPECT_EQ(ours.bit, theirs.bit) << std::hex << theirs.tag;
    }
  }
}

}  // namespace
}  // namespace mailferry::pst
