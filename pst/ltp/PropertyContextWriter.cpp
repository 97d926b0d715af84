// Property context writer ([MS-PST] 2.3.3): the BTH of property records and the placement of
// each value inline, in the heap or in a subnode.
#include <algorithm>

#include "pst/PstError.h"
#include "pst/ltp/BTreeOnHeapWriter.h"
#include "pst/ltp/HeapWriter.h"
#include "pst/ltp/PropertyContext.h"

namespace mailferry::pst {

using namespace ltp;

PropertyContextWriter::Properties::const_iterator PropertyContextWriter::lowerBound(
    PropId id) const {
  return std::lower_bound(props_.begin(), props_.end(), id,
                          [](const Property& p, PropId wanted) { return p.first < wanted; });
}

void PropertyContextWriter::set(PropTag tag, PropValue value) {
  const PropId id = tagId(tag);
  if (props_.empty()) props_.reserve(kTypicalCount);
  const auto at = props_.begin() + (lowerBound(id) - props_.cbegin());
  if (at != props_.end() && at->first == id) {
    at->second = {tagType(tag), std::move(value)};
  } else {
    props_.emplace(at, id, std::make_pair(tagType(tag), std::move(value)));
  }
}

void PropertyContextWriter::remove(PropId id) {
  const auto at = lowerBound(id);
  if (at != props_.end() && at->first == id) props_.erase(at);
}

const PropValue* PropertyContextWriter::find(PropId id) const {
  const auto at = lowerBound(id);
  return at != props_.end() && at->first == id ? &at->second.second : nullptr;
}

namespace {

// A value bigger than a heap item goes to a subnode of its own whose data tree holds it.
std::uint32_t writeValueSubnode(NodeDatabase& db, std::span<const std::uint8_t> bytes,
                                std::vector<SubnodeEntry>& subnodes) {
  DataTreeWriter stream = db.streamData();
  stream.append(bytes);
  const Nid nid = db.allocateNid(NidType::Ltp);
  subnodes.push_back({nid, stream.finish(), 0});
  return nid;
}

// [MS-PST] 2.3.3.3: dwValueHnid of one property.
std::uint32_t placeValue(NodeDatabase& db, HeapWriter& heap, PropType type, const PropValue& value,
                         std::vector<SubnodeEntry>& subnodes) {
  if (value.isStreamed()) {
    const StreamedValue& s = value.streamed();
    if (s.bid == 0) return 0;
    const Nid nid = db.allocateNid(NidType::Ltp);
    subnodes.push_back({nid, s.bid, 0});
    return nid;
  }
  const auto& bytes = value.bytes();
  const std::size_t fixed = fixedSize(type);
  if (fixed != 0 && fixed <= 4) {
    if (type == PropType::Boolean) return !bytes.empty() && bytes[0] != 0 ? 1 : 0;
    return static_cast<std::uint32_t>(readLe(bytes, 0, std::min(bytes.size(), fixed)));
  }
  if (bytes.empty()) return 0;
  if (bytes.size() <= kMaxItemSize) return heap.allocate(bytes);
  return writeValueSubnode(db, bytes, subnodes);
}

}  // namespace

NodeRefs PropertyContextWriter::write(NodeDatabase& db,
                                      const std::vector<SubnodeEntry>& extraSubnodes) const {
  return writeNode(db, extraSubnodes, std::nullopt, nullptr);
}

NodeRefs PropertyContextWriter::writeWithNodeSize(NodeDatabase& db,
                                                  const std::vector<SubnodeEntry>& extraSubnodes,
                                                  PropTag sizeTag, std::uint64_t* size) {
  if (fixedSize(tagType(sizeTag)) != 4)
    throw PstError(PstError::Kind::Misuse, "a node size is a 4-byte property");
  set(sizeTag, PropValue::int32(0));
  std::uint64_t measured = 0;
  const NodeRefs refs = writeNode(db, extraSubnodes, tagId(sizeTag), &measured);
  set(sizeTag, PropValue::uint32(static_cast<std::uint32_t>(measured)));
  if (size) *size = measured;
  return refs;
}

NodeRefs PropertyContextWriter::writeNode(NodeDatabase& db,
                                          const std::vector<SubnodeEntry>& extraSubnodes,
                                          std::optional<PropId> sizeProp,
                                          std::uint64_t* size) const {
  HeapWriter heap(kClientProperties);
  BTreeOnHeapWriter bth(2, 6);
  heap.setUserRoot(bth.allocateHeader(heap));

  // [MS-PST] 2.3.3.3 PC BTH record: wPropId (key), wPropType, dwValueHnid. Outlook's heaps
  // hold the BTH header, then the leaf, then the values: the leaves are allocated with the
  // right size first and filled in once the values have their HIDs.
  std::vector<std::uint8_t> records(props_.size() * 8, 0);
  std::size_t i = 0;
  for (const auto& [id, typed] : props_) {
    writeLe(records, i * 8, id, 2);
    writeLe(records, i * 8 + 2, static_cast<std::uint16_t>(typed.first), 2);
    ++i;
  }
  bth.update(heap, records);

  std::vector<SubnodeEntry> subnodes;
  std::optional<std::size_t> sizeRecord;
  i = 0;
  for (const auto& [id, typed] : props_) {
    if (sizeProp && id == *sizeProp) sizeRecord = i;
    writeLe(records, i * 8 + 4, placeValue(db, heap, typed.first, typed.second, subnodes), 4);
    ++i;
  }
  bth.update(heap, records);

  subnodes.insert(subnodes.end(), extraSubnodes.begin(), extraSubnodes.end());
  if (size) {
    // The record's inline value changes in place: the heap keeps its layout and size.
    std::uint64_t total = heap.byteSize();
    for (const auto& entry : subnodes) total += db.nodeSize({entry.data, entry.sub});
    *size = total;
    if (sizeRecord) {
      writeLe(records, *sizeRecord * 8 + 4, static_cast<std::uint32_t>(total), 4);
      bth.update(heap, records);
    }
  }
  NodeRefs refs;
  refs.data = heap.write(db);
  refs.sub = subnodes.empty() ? 0 : db.writeSubnodes(std::move(subnodes));
  return refs;
}

}  // namespace mailferry::pst
