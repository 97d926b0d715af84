// The name-to-id map as written: bucket count, dense ids, entry and string streams, buckets
// keyed by the [MS-PST] hash, which is checked against every string name in Outlook's map.
#include <gtest/gtest.h>

#include "pst/ByteOrder.h"
#include "pst/KnownTags.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/NameToIdMap.h"
#include "pst/messaging/PstStore.h"
#include "tests/pst-messaging/StoreProbe.h"
#include "tests/support/TestData.h"

namespace mailferry::pst {
namespace {

using mailferry::testing::TempFolder;
using testing::StoreProbe;

struct Record {
  std::uint32_t key;
  std::uint16_t guid;
  std::uint16_t index;
};

std::vector<Record> records(const std::vector<std::uint8_t>& bytes) {
  std::vector<Record> out;
  for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8)
    out.push_back({le32(bytes, i), le16(bytes, i + 4), le16(bytes, i + 6)});
  return out;
}

std::u16string nameAt(const std::vector<std::uint8_t>& strings, std::uint32_t offset) {
  const std::uint32_t length = le32(strings, offset);
  std::u16string name;
  for (std::uint32_t i = 0; i < length; i += 2)
    name.push_back(static_cast<char16_t>(le16(strings, offset + 4 + i)));
  return name;
}

// Checks the layout rules of [MS-PST] 2.4.7 on a map node: every entry in its bucket with
// the hash the store's code computes.
void expectConsistentMap(const StoreProbe& s) {
  const auto entries = records(*s.bytes(nids::kNameToIdMap, tags::kNameidStreamEntry));
  const auto strings = *s.bytes(nids::kNameToIdMap, tags::kNameidStreamString);
  ASSERT_EQ(s.int32(nids::kNameToIdMap, tags::kNameidBucketCount), 251);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    const Record& e = entries[i];
    EXPECT_EQ(e.index, i) << "ids are handed out densely from 0x8000";
    std::uint32_t hash = e.key;
    if (e.guid & 1) {
      EXPECT_EQ(e.key % 4, 0u) << "names start on a 4-byte boundary";
      hash = NameToIdMap::nameHash(nameAt(strings, e.key));
    }
    const auto bucket =
        s.bytes(nids::kNameToIdMap,
                makeTag(static_cast<PropId>(0x1000 + (hash ^ e.guid) % 251), PropType::Binary));
    ASSERT_TRUE(bucket.has_value());
    bool found = false;
    for (const auto& r : records(*bucket))
      found |= r.key == hash && r.guid == e.guid && r.index == i;
    EXPECT_TRUE(found);
  }
}

TEST(NameToIdMap, OutlooksMapFollowsTheSameHashAndBuckets) {
  expectConsistentMap(StoreProbe(mailferry::testing::referencePst()));
}

TEST(NameToIdMap, NamesGetDenseIdsAndAreWrittenAsOutlookLaysThemOut) {
  TempFolder dir;
  const auto file = dir / "names.pst";
  const Guid address = guidFromString("{00062004-0000-0000-C000-000000000046}");
  const Guid headers = guidFromString("{00020386-0000-0000-C000-000000000046}");
  PropTag email = 0, fileUnder = 0, contentType = 0, keywords = 0;
  {
    auto store = PstStore::create(file, u"Names");
    email = store->namedTag({address, std::uint32_t{0x8083}}, PropType::Unicode);
    fileUnder = store->namedTag({address, std::uint32_t{0x8005}}, PropType::Unicode);
    contentType = store->namedTag({headers, std::u16string(u"Content-Type")}, PropType::Unicode);
    keywords =
        store->namedTag({psPublicStrings(), std::u16string(u"Keywords")}, PropType::MultiUnicode);
    EXPECT_EQ(store->namedTag({address, std::uint32_t{0x8083}}, PropType::Unicode), email);
    EXPECT_EQ(tagType(keywords), PropType::MultiUnicode);

    auto m = store->addMessage(store->ipmSubtree());
    m->set(email, PropValue::utf8("a@example.com"));
    m->save();
    store->close();
  }
  EXPECT_GE(tagId(email), 0x8000);
  EXPECT_EQ(tagId(fileUnder), tagId(email) + 1);
  EXPECT_EQ(tagId(contentType), tagId(email) + 2);
  EXPECT_LT(tagId(keywords), tagId(email)) << "registered when the store was made";

  StoreProbe s(file);
  expectConsistentMap(s);
  const auto guids = *s.bytes(nids::kNameToIdMap, tags::kNameidStreamGuid);
  const auto entries = records(*s.bytes(nids::kNameToIdMap, tags::kNameidStreamEntry));
  const auto strings = *s.bytes(nids::kNameToIdMap, tags::kNameidStreamString);
  auto entryOf = [&](PropTag tag) { return entries.at(tagId(tag) - 0x8000); };
  auto guidOf = [&](const Record& r) {
    Guid g{};
    const std::size_t at = ((r.guid >> 1) - 3) * 16;
    std::copy(guids.begin() + at, guids.begin() + at + 16, g.begin());
    return g;
  };
  EXPECT_EQ(entryOf(email).key, 0x8083u);
  EXPECT_EQ(entryOf(email).guid & 1, 0);
  EXPECT_EQ(guidOf(entryOf(email)), address);
  EXPECT_EQ(entryOf(fileUnder).key, 0x8005u);
  EXPECT_EQ(guidOf(entryOf(contentType)), headers);
  EXPECT_EQ(nameAt(strings, entryOf(contentType).key), u"Content-Type");
  EXPECT_EQ(entryOf(keywords).guid, (2 << 1) | 1) << "PS_PUBLIC_STRINGS has the fixed index 2";
  EXPECT_EQ(guids.size() % 16, 0u);
}

}  // namespace
}  // namespace mailferry::pst
