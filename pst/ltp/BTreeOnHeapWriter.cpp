// B-tree-on-heap writer: leaf and intermediate items, header, item reuse between updates.
#include "pst/ltp/BTreeOnHeapWriter.h"

#include <algorithm>
#include <stdexcept>

namespace mailferry::pst::ltp {

BTreeOnHeapWriter::BTreeOnHeapWriter(std::uint8_t cbKey, std::uint8_t cbEnt)
    : cbKey_(cbKey), cbEnt_(cbEnt) {}

Hid BTreeOnHeapWriter::allocateHeader(HeapWriter& heap) {
  const std::uint8_t empty[8] = {kClientBTree, cbKey_, cbEnt_, 0, 0, 0, 0, 0};
  header_ = heap.allocate(empty);
  return header_;
}

void BTreeOnHeapWriter::update(HeapWriter& heap, std::span<const std::uint8_t> records) {
  if (header_ == 0) allocateHeader(heap);
  const std::size_t leafRecord = std::size_t{cbKey_} + cbEnt_;
  if (records.size() % leafRecord != 0) throw std::logic_error("BTH: partial record");

  // Each level: split the records into items of as many records as fit, store each item
  // (reusing the one at the same position when it is unchanged), then index the items.
  std::vector<std::uint8_t> current(records.begin(), records.end());
  std::size_t recordSize = leafRecord;
  std::size_t level = 0;
  Hid root = 0;
  while (!current.empty()) {
    const std::size_t perItem = recordsPerItem(recordSize);
    const std::size_t count = current.size() / recordSize;
    const std::size_t items = (count + perItem - 1) / perItem;
    if (levels_.size() <= level) levels_.emplace_back();
    std::vector<Hid>& hids = levels_[level];
    std::vector<std::uint8_t> next;
    for (std::size_t i = 0; i < items; ++i) {
      const std::size_t first = i * perItem;
      const std::size_t n = std::min(perItem, count - first);
      std::span<const std::uint8_t> bytes(current.data() + first * recordSize, n * recordSize);
      if (i < hids.size()) {
        hids[i] = heap.replace(hids[i], bytes);
      } else {
        hids.push_back(heap.allocate(bytes));
      }
      next.insert(next.end(), bytes.begin(), bytes.begin() + cbKey_);
      appendLe(next, hids[i], 4);
    }
    for (std::size_t i = items; i < hids.size(); ++i) heap.free(hids[i]);
    hids.resize(items);
    if (items == 1) {
      root = hids[0];
      break;
    }
    current = std::move(next);
    recordSize = std::size_t{cbKey_} + 4;
    ++level;
  }
  // Levels above the root are gone.
  const std::size_t used = root == 0 ? 0 : level + 1;
  for (std::size_t l = used; l < levels_.size(); ++l) {
    for (Hid h : levels_[l]) heap.free(h);
  }
  levels_.resize(used);

  // [MS-PST] 2.3.2.1 BTHHEADER: bIdxLevels counts the levels above the leaves.
  std::vector<std::uint8_t> head{kClientBTree, cbKey_, cbEnt_,
                                 static_cast<std::uint8_t>(used == 0 ? 0 : used - 1)};
  appendLe(head, root, 4);
  header_ = heap.replace(header_, head);
}

}  // namespace mailferry::pst::ltp
