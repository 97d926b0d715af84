// Property contexts through real files: every property type, values on each side of the heap
// item limit, streamed values, thousands of properties, extra subnodes, and the heap layout
// Outlook uses.
#include <gtest/gtest.h>

#include "pst/PstError.h"
#include "pst/ltp/HeapReader.h"
#include "pst/ltp/PropertyContext.h"
#include "tests/pst-ltp/TempPst.h"

namespace mailferry::pst {
namespace {

using testing::TempPst;

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> v(size);
  for (std::size_t i = 0; i < size; ++i)
    v[i] = static_cast<std::uint8_t>(seed ^ (i * 31 + i / 251));
  return v;
}

PropValue raw(PropType type, std::vector<std::uint8_t> bytes) {
  return PropValue(type, std::move(bytes));
}

// Writes the PC as node nid, commits, and reads it back from the file.
struct RoundTrip {
  TempPst temp;
  std::unique_ptr<NodeDatabase> db = NodeDatabase::create(temp.path());
  std::unique_ptr<NdbReader> ndb;
  NodeRefs refs;

  PropertyContextReader run(const PropertyContextWriter& pc, std::vector<SubnodeEntry> extra = {}) {
    const Nid nid = db->allocateNid(NidType::NormalMessage);
    refs = pc.write(*db, extra);
    db->putNode(nid, refs, 0);
    db->commit();
    ndb = NdbReader::open(temp.path());
    const auto node = ndb->node(nid);
    EXPECT_TRUE(node.has_value());
    return PropertyContextReader(*ndb, {node->data, node->sub}, nid);
  }
};

void expectSame(const PropertyContextWriter& written, const PropertyContextReader& read) {
  ASSERT_EQ(read.properties().size(), written.properties().size());
  for (const auto& [id, typed] : written.properties()) {
    SCOPED_TRACE(id);
    const auto value = read.value(id);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type(), typed.first);
    if (!typed.second.isStreamed()) {
      EXPECT_EQ(*value, typed.second);
    }
  }
}

TEST(PropertyContext, SetReplacesRemoveDropsAndPropertiesStayInIdOrder) {
  PropertyContextWriter pc;
  for (const PropId id : {0x3001, 0x0037, 0x1000, 0x0E07, 0x0037, 0x8005}) {
    pc.set(makeTag(id, PropType::Int32), PropValue::int32(id));
  }
  pc.set(makeTag(0x1000, PropType::Unicode), PropValue::utf8("text now"));  // another type
  pc.remove(0x0E07);
  pc.remove(0x4242);  // absent: nothing happens
  std::vector<PropId> ids;
  for (const auto& [id, typed] : pc.properties()) ids.push_back(id);
  EXPECT_EQ(ids, (std::vector<PropId>{0x0037, 0x1000, 0x3001, 0x8005}));
  ASSERT_NE(pc.find(0x1000), nullptr);
  EXPECT_EQ(pc.properties()[1].second.first, PropType::Unicode);
  EXPECT_EQ(*pc.find(0x1000), PropValue::utf8("text now"));
  EXPECT_EQ(pc.find(0x0E07), nullptr);
  EXPECT_EQ(pc.find(0x0001), nullptr);
  EXPECT_EQ(pc.find(0xFFFF), nullptr);
}

TEST(PropertyContext, EveryTypeRoundTrips) {
  PropertyContextWriter pc;
  const Guid guid = guidFromString("{00062004-0000-0000-C000-000000000046}");
  pc.set(makeTag(0x0001, PropType::Int16), PropValue::int16(-2));
  pc.set(makeTag(0x0002, PropType::Int32), PropValue::int32(-123456));
  pc.set(makeTag(0x0003, PropType::Float32), raw(PropType::Float32, {0, 0, 0x80, 0x3F}));
  pc.set(makeTag(0x0004, PropType::Float64), PropValue::float64(3.25));
  pc.set(makeTag(0x0005, PropType::Currency), raw(PropType::Currency, pattern(8, 5)));
  pc.set(makeTag(0x0006, PropType::AppTime), raw(PropType::AppTime, pattern(8, 6)));
  pc.set(makeTag(0x0007, PropType::ErrorCode), raw(PropType::ErrorCode, {0x0F, 0x01, 0x04, 0x80}));
  pc.set(makeTag(0x0008, PropType::Boolean), PropValue::boolean(true));
  pc.set(makeTag(0x0009, PropType::Boolean), PropValue::boolean(false));
  pc.set(makeTag(0x000A, PropType::Object),
         raw(PropType::Object, {0x84, 0x01, 0x20, 0, 0x94, 0x11, 0, 0}));
  pc.set(makeTag(0x000B, PropType::Int64), PropValue::int64(-9000000000LL));
  pc.set(makeTag(0x000C, PropType::String8), raw(PropType::String8, {'a', 'b', 'c'}));
  pc.set(makeTag(0x000D, PropType::Unicode), PropValue::utf8("Grüße, 世界"));
  pc.set(makeTag(0x000E, PropType::SysTime), PropValue::time(fileTimeFromUnix(1700000000)));
  pc.set(makeTag(0x000F, PropType::Guid), PropValue::guid(guid));
  pc.set(makeTag(0x0010, PropType::Binary), PropValue::binary(pattern(100, 1)));
  pc.set(makeTag(0x0011, PropType::MultiInt16), raw(PropType::MultiInt16, {1, 0, 2, 0, 3, 0}));
  const std::int32_t ints[] = {7, -8, 9};
  pc.set(makeTag(0x0012, PropType::MultiInt32), PropValue::multiInt32(ints));
  pc.set(makeTag(0x0013, PropType::MultiInt64), raw(PropType::MultiInt64, pattern(24, 3)));
  pc.set(makeTag(0x0014, PropType::MultiString8),
         raw(PropType::MultiString8, {2, 0, 0, 0, 12, 0, 0, 0, 13, 0, 0, 0, 'x', 'y', 'z'}));
  pc.set(makeTag(0x0015, PropType::MultiUnicode), PropValue::multiString({u"one", u"", u"three"}));
  pc.set(makeTag(0x0016, PropType::MultiSysTime), raw(PropType::MultiSysTime, pattern(16, 4)));
  pc.set(makeTag(0x0017, PropType::MultiGuid), raw(PropType::MultiGuid, pattern(32, 7)));
  pc.set(makeTag(0x0018, PropType::MultiBinary),
         PropValue::multiBinary({pattern(5, 1), {}, pattern(3000, 2)}));
  // Empty variable-size values are HNID 0.
  pc.set(makeTag(0x0019, PropType::Unicode), PropValue::string(u""));
  pc.set(makeTag(0x001A, PropType::Binary), PropValue::binary(std::string_view()));
  pc.set(makeTag(0x001B, PropType::MultiUnicode), PropValue::multiString({}));
  // set() replaces a property with the same id, whatever its type; remove() drops one.
  pc.set(makeTag(0x001C, PropType::Int32), PropValue::int32(1));
  pc.set(makeTag(0x001C, PropType::Unicode), PropValue::utf8("replaced"));
  pc.set(makeTag(0x001D, PropType::Int32), PropValue::int32(1));
  pc.remove(0x001D);

  RoundTrip rt;
  const auto read = rt.run(pc);
  expectSame(pc, read);
  EXPECT_EQ(read.find(0x0008)->bytes, std::vector<std::uint8_t>{1});
  EXPECT_EQ(read.value(0x000D)->asUtf8(), "Grüße, 世界");
  EXPECT_EQ(read.value(0x001C)->asUtf8(), "replaced");
  EXPECT_EQ(read.find(0x001D), nullptr);
  EXPECT_TRUE(read.find(0x0019)->bytes.empty());
  EXPECT_EQ(rt.refs.sub, 0u);  // nothing needed a subnode
}

// Outlook's PC heap: BTHHEADER is item 1 and the user root, the leaf item 2, then the values;
// booleans are inline as one byte and three zeros; empty values and small ones never take a
// subnode.
TEST(PropertyContext, HeapFollowsOutlooksLayout) {
  PropertyContextWriter pc;
  pc.set(0x001A001F, PropValue::utf8("IPM.Note"));
  pc.set(0x0E07000B, PropValue::boolean(true));
  pc.set(0x3001001F, PropValue::string(u""));
  RoundTrip rt;
  rt.run(pc);
  ltp::HeapReader heap(rt.ndb->readLeaves(rt.refs.data), "pc", "");
  EXPECT_EQ(heap.userRoot(), 0x20u);
  const auto header = heap.item(0x20);
  EXPECT_EQ(std::vector<std::uint8_t>(header.begin(), header.end()),
            (std::vector<std::uint8_t>{0xB5, 2, 6, 0, 0x40, 0, 0, 0}));
  const auto leaf = heap.item(0x40);
  ASSERT_EQ(leaf.size(), 24u);
  EXPECT_EQ(pst::le32(leaf, 4), 0x60u);    // IPM.Note in item 3
  EXPECT_EQ(pst::le32(leaf, 8 + 4), 1u);   // inline true
  EXPECT_EQ(pst::le32(leaf, 16 + 4), 0u);  // "" is HNID 0
  const auto page = rt.ndb->readLeaves(rt.refs.data)[0];
  EXPECT_EQ(pst::le16(page, pst::le16(page, 0) + 4), 12);  // first item right after HNHDR
}

TEST(PropertyContext, ValuesOnBothSidesOfTheHeapItemLimit) {
  PropertyContextWriter pc;
  pc.set(makeTag(0x1001, PropType::Binary), PropValue::binary(std::string_view()));
  pc.set(makeTag(0x1002, PropType::Binary), PropValue::binary(pattern(3580, 1)));
  pc.set(makeTag(0x1003, PropType::Binary), PropValue::binary(pattern(3581, 2)));
  pc.set(makeTag(0x1004, PropType::Binary), PropValue::binary(pattern(1 << 20, 3)));
  pc.set(makeTag(0x1005, PropType::Unicode), PropValue::string(std::u16string(5000, u'ж')));

  RoundTrip rt;
  // A value streamed ahead of the PC that names it.
  DataTreeWriter stream = rt.db->streamData();
  const auto streamedBytes = pattern(100000, 9);
  stream.append(streamedBytes);
  const std::uint64_t streamedSize = stream.size();
  pc.set(makeTag(0x1006, PropType::Binary),
         PropValue(PropType::Binary, StreamedValue{stream.finish(), streamedSize}));

  const auto read = rt.run(pc);
  EXPECT_TRUE(read.find(0x1001)->bytes.empty());
  EXPECT_EQ(read.find(0x1002)->bytes, pattern(3580, 1));
  EXPECT_EQ(read.find(0x1003)->bytes, pattern(3581, 2));
  EXPECT_EQ(read.find(0x1004)->bytes, pattern(1 << 20, 3));
  EXPECT_EQ(read.value(0x1005)->asString(), std::u16string(5000, u'ж'));
  EXPECT_EQ(read.find(0x1006)->bytes, streamedBytes);
  // 3,581 bytes, 1 MB, 10,000 bytes and the streamed value live in LTP subnodes.
  const auto subnodes = rt.ndb->readSubnodes(rt.refs.sub);
  ASSERT_EQ(subnodes.size(), 4u);
  for (const SubnodeEntry& s : subnodes) EXPECT_EQ(nidType(s.nid), NidType::Ltp);
}

TEST(PropertyContext, ThousandsOfPropertiesMakeAMultiLevelTreeOverManyHeapPages) {
  PropertyContextWriter pc;
  for (PropId i = 0; i < 2000; ++i) {
    const PropId id = static_cast<PropId>(0x8000 + i);
    if (i % 2 == 0) {
      pc.set(makeTag(id, PropType::Binary),
             PropValue::binary(pattern(2500 + i % 7, static_cast<std::uint8_t>(i))));
    } else {
      pc.set(makeTag(id, PropType::Int32), PropValue::int32(i * 3));
    }
  }
  RoundTrip rt;
  const auto read = rt.run(pc);
  expectSame(pc, read);
  ltp::HeapReader heap(rt.ndb->readLeaves(rt.refs.data), "pc", "");
  EXPECT_GT(heap.pageCount(), 300u);            // past the bitmap headers of pages 8 and 136
  EXPECT_EQ(heap.item(heap.userRoot())[3], 1);  // bIdxLevels: 2,000 records need a second level
  EXPECT_EQ(rt.refs.sub, 0u);
}

TEST(PropertyContext, ExtraSubnodesJoinTheNodesSubnodeTree) {
  RoundTrip rt;
  const std::uint8_t attachmentData[] = {1, 2, 3};
  const Bid attachment = rt.db->writeBlock(attachmentData);
  const Nid attachmentNid = rt.db->allocateNid(NidType::Attachment);
  PropertyContextWriter pc;
  pc.set(makeTag(0x1000, PropType::Unicode), PropValue::string(std::u16string(2000, u'b')));
  pc.set(makeTag(0x1001, PropType::Object), raw(PropType::Object, {0, 0, 0, 0, 3, 0, 0, 0}));
  const auto read = rt.run(pc, {{attachmentNid, attachment, 0}});
  const auto subnodes = rt.ndb->readSubnodes(rt.refs.sub);
  ASSERT_EQ(subnodes.size(), 2u);
  EXPECT_TRUE(std::any_of(subnodes.begin(), subnodes.end(), [&](const SubnodeEntry& s) {
    return s.nid == attachmentNid && s.data == attachment;
  }));
  EXPECT_EQ(read.find(0x1000)->bytes.size(), 4000u);
}

TEST(PropertyContext, ReaderRejectsANodeThatIsNoPropertyContext) {
  RoundTrip rt;
  // A valid, empty table heap: HNHDR, then a page map with no items.
  const std::uint8_t notAHeap[] = {0x0C, 0, 0xEC, 0x7C, 0, 0, 0, 0,    0,
                                   0,    0, 0,    0,    0, 0, 0, 0x0C, 0};
  const Bid bid = rt.db->writeBlock(notAHeap);
  rt.db->putNode(0x10004, {bid, 0}, 0);
  rt.db->commit();
  rt.ndb = NdbReader::open(rt.temp.path());
  try {
    PropertyContextReader(*rt.ndb, {bid, 0}, 0x10004);
    FAIL() << "read a table heap as a property context";
  } catch (const PstError& e) {
    EXPECT_NE(std::string(e.what()).find("node 0x10004"), std::string::npos) << e.what();
    EXPECT_EQ(e.file(), rt.temp.path().string());
  }
}

}  // namespace
}  // namespace mailferry::pst
