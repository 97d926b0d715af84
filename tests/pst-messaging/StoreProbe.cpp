// Reads a written store back for the messaging tests.
#include "tests/pst-messaging/StoreProbe.h"
#include "pst/ByteOrder.h"
#include "pst/PstError.h"
#include "pst/Utf.h"

#include <algorithm>

namespace mailferry::pst::testing {

StoreProbe::StoreProbe(const std::filesystem::path& file) : ndb_(NdbReader::open(file)) {}

NodeEntry StoreProbe::node(Nid nid) const {
  auto entry = ndb_->node(nid);
  if (!entry) throw PstError(PstError::Kind::Corrupt, "test: no node " + std::to_string(nid));
  return *entry;
}

std::vector<NodeEntry> StoreProbe::nodesOfType(NidType type) const {
  std::vector<NodeEntry> out;
  const auto all = ndb_->nodes();
  for (const auto& e : all)
    if (nidType(e.nid) == type) out.push_back(e);
  return out;
}

PropertyContextReader StoreProbe::pc(Nid nid) const {
  const NodeEntry e = node(nid);
  return PropertyContextReader(*ndb_, NodeRefs{e.data, e.sub}, nid);
}

TableContextReader StoreProbe::table(Nid nid) const {
  const NodeEntry e = node(nid);
  return TableContextReader(*ndb_, NodeRefs{e.data, e.sub}, nid);
}

std::vector<SubnodeEntry> StoreProbe::subnodes(Nid nid) const {
  const NodeEntry e = node(nid);
  return e.sub ? ndb_->readSubnodes(e.sub) : std::vector<SubnodeEntry>{};
}

std::optional<SubnodeEntry> StoreProbe::subnode(Nid parent, Nid child) const {
  const auto all = subnodes(parent);
  for (const auto& s : all)
    if (s.nid == child) return s;
  return std::nullopt;
}

PropertyContextReader StoreProbe::subnodePc(const SubnodeEntry& entry) const {
  return PropertyContextReader(*ndb_, NodeRefs{entry.data, entry.sub}, entry.nid);
}

TableContextReader StoreProbe::subnodeTable(const SubnodeEntry& entry) const {
  return TableContextReader(*ndb_, NodeRefs{entry.data, entry.sub}, entry.nid);
}

std::vector<PropTag> StoreProbe::columnTags(Nid tableNid) const {
  std::vector<PropTag> tags;
  const auto t = table(tableNid);
  for (const auto& c : t.columns()) tags.push_back(c.tag);
  return tags;
}

std::optional<std::vector<std::uint8_t>> StoreProbe::bytes(Nid nid, PropTag tag) const {
  const PropertyContextReader reader = pc(nid);
  const ReadProperty* p = reader.find(tagId(tag));
  if (p == nullptr) return std::nullopt;
  return p->bytes;
}

std::string StoreProbe::text(Nid nid, PropTag tag) const {
  const auto value = bytes(nid, tag);
  return value ? utf16leToUtf8(*value) : std::string();
}

std::optional<std::int32_t> StoreProbe::int32(Nid nid, PropTag tag) const {
  const auto value = bytes(nid, tag);
  if (!value) return std::nullopt;
  return asInt32(*value);
}

std::vector<PropTag> StoreProbe::propertyTags(Nid nid) const {
  const PropertyContextReader reader = pc(nid);
  std::vector<PropTag> tags;
  for (const auto& p : reader.properties()) tags.push_back(p.tag);
  return tags;
}

std::uint64_t StoreProbe::onDiskSize(Bid data, Bid sub) const {
  std::uint64_t size = 0;
  if (data) {
    const auto leaves = ndb_->readLeaves(data);
    for (const auto& leaf : leaves) size += leaf.size();
  }
  if (sub) {
    const auto children = ndb_->readSubnodes(sub);
    for (const auto& s : children) size += onDiskSize(s.data, s.sub);
  }
  return size;
}

std::string utf16leToUtf8(const std::vector<std::uint8_t>& bytes) {
  std::u16string s;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    s.push_back(static_cast<char16_t>(le16(bytes, i)));
  return toUtf8(s);
}

std::int32_t asInt32(const std::vector<std::uint8_t>& bytes) {
  return static_cast<std::int32_t>(readLe(bytes, 0, std::min<std::size_t>(4, bytes.size())));
}

}  // namespace mailferry::pst::testing
