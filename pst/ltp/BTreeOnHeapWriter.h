// B-tree-on-heap writer ([MS-PST] 2.3.2): sorted fixed-size records in leaf items of at most
// one heap item each, intermediate levels keyed by the first key of each child. It remembers
// its items, so an update rewrites only the items whose contents changed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "pst/ltp/HeapWriter.h"

namespace mailferry::pst::ltp {

class BTreeOnHeapWriter {
 public:
  BTreeOnHeapWriter(std::uint8_t cbKey, std::uint8_t cbEnt);

  // Allocates the BTHHEADER item. Called before anything else of the tree so that the header
  // comes first in the heap, as Outlook places it.
  Hid allocateHeader(HeapWriter& heap);
  Hid header() const { return header_; }

  // Stores the records (cbKey + cbEnt bytes each, back to back, sorted by key without
  // duplicates) and updates the header.
  void update(HeapWriter& heap, std::span<const std::uint8_t> records);

  static std::size_t recordsPerItem(std::size_t recordSize) { return kMaxItemSize / recordSize; }

 private:
  std::uint8_t cbKey_;
  std::uint8_t cbEnt_;
  Hid header_ = 0;
  std::vector<std::vector<Hid>> levels_;  // items of each level, leaves first
};

}  // namespace mailferry::pst::ltp
