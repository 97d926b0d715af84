// The store's name-to-id map ([MS-PST] 2.4.7).
#include "pst/messaging/NameToIdMap.h"

#include "pst/KnownTags.h"
#include "pst/PstError.h"
#include "pst/Utf.h"
#include "pst/ndb/Format.h"
#include "pst/ndb/Ids.h"

namespace mailferry::pst {

namespace {

std::vector<std::uint8_t> utf16Bytes(std::u16string_view s) {
  std::vector<std::uint8_t> out;
  appendUtf16Le(out, s);
  return out;
}

// [MS-PST] 2.4.7.4: a string name is hashed with the CRC of [MS-PST] 5.3.
std::uint32_t pstCrc(const std::vector<std::uint8_t>& bytes) {
  return format::computeCrc(bytes);
}

}  // namespace

Guid psMapi() {
  return guidFromString("{00020328-0000-0000-C000-000000000046}");
}
Guid psPublicStrings() {
  return guidFromString("{00020329-0000-0000-C000-000000000046}");
}

std::uint32_t NameToIdMap::nameHash(std::u16string_view name) {
  return pstCrc(utf16Bytes(name));
}

std::uint16_t NameToIdMap::guidIndex(const Guid& guid) {
  if (guid == psMapi()) return 1;
  if (guid == psPublicStrings()) return 2;
  for (std::size_t i = 0; i < guids_.size(); ++i)
    if (guids_[i] == guid) return static_cast<std::uint16_t>(3 + i);
  guids_.push_back(guid);
  return static_cast<std::uint16_t>(3 + guids_.size() - 1);
}

std::optional<PropId> NameToIdMap::find(const NamedProperty& name) const {
  auto it = ids_.find({name.propertySet, name.name});
  if (it == ids_.end()) return std::nullopt;
  return it->second;
}

PropId NameToIdMap::idOf(const NamedProperty& name) {
  if (auto id = find(name)) return *id;
  if (entries_.size() >= 0x7FFE)
    throw PstError(PstError::Kind::Misuse, "the name-to-id map is full (32,766 names)");
  const std::uint16_t index = guidIndex(name.propertySet);
  Entry entry{};
  if (const auto* lid = std::get_if<std::uint32_t>(&name.name)) {
    entry = {*lid, *lid, static_cast<std::uint16_t>(index << 1)};
  } else {
    const auto& text = std::get<std::u16string>(name.name);
    const auto bytes = utf16Bytes(text);
    // [MS-PST] 2.4.7.4: each name starts on a 4-byte boundary with its byte length first.
    while (strings_.size() % 4 != 0) strings_.push_back(0);
    const auto offset = static_cast<std::uint32_t>(strings_.size());
    appendLe(strings_, static_cast<std::uint32_t>(bytes.size()), 4);
    strings_.insert(strings_.end(), bytes.begin(), bytes.end());
    entry = {offset, pstCrc(bytes), static_cast<std::uint16_t>((index << 1) | 1)};
  }
  const auto id = static_cast<PropId>(kFirstId + entries_.size());
  entries_.push_back(entry);
  ids_.emplace(std::make_pair(name.propertySet, name.name), id);
  dirty_ = true;
  return id;
}

PropertyContextWriter NameToIdMap::toPropertyContext() const {
  PropertyContextWriter pc;
  pc.set(tags::kNameidBucketCount, PropValue::uint32(kBucketCount));
  std::vector<std::uint8_t> guidStream;
  for (const auto& g : guids_) guidStream.insert(guidStream.end(), g.begin(), g.end());
  std::vector<std::uint8_t> entryStream;
  std::vector<std::vector<std::uint8_t>> buckets(kBucketCount);
  // One reader (pst-extractor) never reads the last record of the entry stream, so the
  // written map ends with a name that nothing uses. It takes the next free id, which a name
  // registered later takes over in the next write.
  std::vector<std::uint8_t> strings = strings_;
  std::vector<Entry> entries = entries_;
  {
    const std::u16string_view endName = u"X-Name-Map-End";
    std::vector<std::uint8_t> bytes;
    appendUtf16Le(bytes, endName);
    while (strings.size() % 4 != 0) strings.push_back(0);
    const auto offset = static_cast<std::uint32_t>(strings.size());
    appendLe(strings, static_cast<std::uint32_t>(bytes.size()), 4);
    strings.insert(strings.end(), bytes.begin(), bytes.end());
    entries.push_back({offset, pstCrc(bytes), static_cast<std::uint16_t>((2 << 1) | 1)});
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& e = entries[i];
    appendLe(entryStream, e.key, 4);
    appendLe(entryStream, e.guidField, 2);
    appendLe(entryStream, static_cast<std::uint16_t>(i), 2);
    // [MS-PST] 2.4.7.5: the bucket record carries the hash instead of the string offset.
    auto& bucket = buckets[(e.hash ^ e.guidField) % kBucketCount];
    appendLe(bucket, e.hash, 4);
    appendLe(bucket, e.guidField, 2);
    appendLe(bucket, static_cast<std::uint16_t>(i), 2);
  }
  pc.set(tags::kNameidStreamGuid, PropValue::binary(std::span<const std::uint8_t>(guidStream)));
  pc.set(tags::kNameidStreamEntry, PropValue::binary(std::span<const std::uint8_t>(entryStream)));
  pc.set(tags::kNameidStreamString, PropValue::binary(std::span<const std::uint8_t>(strings)));
  for (std::uint32_t b = 0; b < kBucketCount; ++b) {
    if (buckets[b].empty()) continue;
    pc.set(makeTag(static_cast<PropId>(tags::kNameidBucketBase + b), PropType::Binary),
           PropValue::binary(std::span<const std::uint8_t>(buckets[b])));
  }
  return pc;
}

}  // namespace mailferry::pst
