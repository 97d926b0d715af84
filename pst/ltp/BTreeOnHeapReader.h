// B-tree-on-heap reader ([MS-PST] 2.3.2): walks every level of a BTH, checks the header, the
// record sizes, the key order and the intermediate keys, and gives the leaf records in order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "pst/ltp/HeapReader.h"

namespace mailferry::pst::ltp {

class BTreeOnHeapReader {
 public:
  // Checks the header at hid against the expected key and entry sizes.
  BTreeOnHeapReader(const HeapReader& heap, Hid header, std::uint8_t cbKey, std::uint8_t cbEnt);

  std::size_t size() const { return records_.size() / recordSize(); }
  std::size_t recordSize() const { return std::size_t{cbKey_} + cbEnt_; }
  std::uint8_t levels() const { return levels_; }
  std::span<const std::uint8_t> key(std::size_t i) const;
  std::span<const std::uint8_t> entry(std::size_t i) const;
  // Binary search by key (little-endian integer of cbKey bytes).
  std::optional<std::size_t> find(std::uint64_t key) const;

 private:
  void walk(Hid hid, std::size_t level, std::span<const std::uint8_t> expectedFirstKey);

  const HeapReader& heap_;
  std::uint8_t cbKey_;
  std::uint8_t cbEnt_;
  std::uint8_t levels_ = 0;
  std::vector<std::uint8_t> records_;
};

}  // namespace mailferry::pst::ltp
