// Property context reader ([MS-PST] 2.3.3): checks the heap, the BTH and each value's
// placement and size, and loads every value.
#include <algorithm>

#include "pst/Hex.h"
#include "pst/ltp/BTreeOnHeapReader.h"
#include "pst/ltp/HnidResolver.h"
#include "pst/ltp/PropertyContext.h"

namespace mailferry::pst {

using namespace ltp;

namespace {

// [MS-PST] 2.3.3.4: fixed-size elements fill the value exactly; variable-size elements have
// a count and offsets that stay inside the value and do not go backwards.
void checkMultiValue(const HeapReader& heap, PropTag tag, std::span<const std::uint8_t> v) {
  const auto base = static_cast<PropType>(static_cast<std::uint16_t>(tagType(tag)) & 0x0FFF);
  const std::size_t element = fixedSize(base);
  if (element != 0) {
    if (v.size() % element != 0) {
      heap.fail("multi-valued property " + tagText(tag) + " of " + std::to_string(v.size()) +
                " bytes is no whole number of elements");
    }
    return;
  }
  if (v.empty()) return;
  if (v.size() < 4) heap.fail("multi-valued property " + tagText(tag) + " without a count");
  const std::uint64_t count = le32(v, 0);
  if (4 + 4 * count > v.size()) {
    heap.fail("multi-valued property " + tagText(tag) + ": count " + std::to_string(count) +
              " does not fit its " + std::to_string(v.size()) + " bytes");
  }
  std::uint64_t previous = 4 + 4 * count;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint32_t offset = le32(v, 4 + 4 * i);
    if (offset < previous || offset > v.size()) {
      heap.fail("multi-valued property " + tagText(tag) + ": element " + std::to_string(i) +
                " offset " + std::to_string(offset) + " outside the value");
    }
    previous = offset;
  }
}

}  // namespace

PropertyContextReader::PropertyContextReader(const NdbReader& ndb, NodeRefs refs, Nid nid) {
  const HeapReader heap = readHeap(ndb, refs, describeNode(nid, refs));
  if (heap.clientSig() != kClientProperties) {
    heap.fail(
        "heap is no property context (client signature " + std::to_string(heap.clientSig()) + ")",
        0, 3);
  }
  const BTreeOnHeapReader bth(heap, heap.userRoot(), 2, 6);
  const HnidResolver values(ndb, heap, refs.sub);
  props_.reserve(bth.size());
  for (std::size_t i = 0; i < bth.size(); ++i) {
    const auto entry = bth.entry(i);
    const auto type = static_cast<PropType>(le16(entry, 0));
    ReadProperty prop;
    prop.tag = makeTag(le16(bth.key(i), 0), type);
    const std::uint32_t hnid = le32(entry, 2);
    const std::size_t fixed = fixedSize(type);
    if (fixed != 0 && fixed <= 4) {
      prop.bytes.assign(entry.begin() + 2, entry.begin() + 2 + static_cast<std::ptrdiff_t>(fixed));
    } else {
      prop.bytes = values.load(hnid);
      if (fixed != 0 && prop.bytes.size() != fixed) {
        heap.fail("property " + tagText(prop.tag) + " has " + std::to_string(prop.bytes.size()) +
                  " bytes, its type needs " + std::to_string(fixed));
      }
      if (isMultiValued(type)) checkMultiValue(heap, prop.tag, prop.bytes);
    }
    props_.push_back(std::move(prop));
  }
}

const ReadProperty* PropertyContextReader::find(PropId id) const {
  const auto it =
      std::lower_bound(props_.begin(), props_.end(), id,
                       [](const ReadProperty& p, PropId i) { return tagId(p.tag) < i; });
  return it != props_.end() && tagId(it->tag) == id ? &*it : nullptr;
}

std::optional<PropValue> PropertyContextReader::value(PropId id) const {
  const ReadProperty* p = find(id);
  if (p == nullptr) return std::nullopt;
  return PropValue(tagType(p->tag), p->bytes);
}

}  // namespace mailferry::pst
