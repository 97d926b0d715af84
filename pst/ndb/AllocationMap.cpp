// Slot bitmaps of the AMap intervals, the append cursor and deferred frees.
#include "pst/ndb/AllocationMap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace mailferry::pst {

using namespace format;

AllocationMap::AllocationMap() {
  ensureInterval(0);
}

void AllocationMap::ensureInterval(std::uint64_t interval) {
  while (bitmaps_.size() <= interval) {
    const std::uint64_t k = bitmaps_.size();
    bitmaps_.push_back({});
    dirty_.push_back(true);
    stats_.emplace_back();
    // Every map page maps itself ([MS-PST] 2.2.2.7.2).
    setRange(intervalStart(k), mapPagesEnd(k) - intervalStart(k), true);
  }
}

void AllocationMap::setRange(std::uint64_t offset, std::uint64_t size, bool allocated) {
  const std::uint64_t interval = intervalOf(offset);
  if (intervalOf(offset + size - 1) != interval || offset % kSlotSize || size % kSlotSize) {
    throw std::logic_error("allocation crosses an AMap interval or is not slot-aligned");
  }
  Bitmap& bits = bitmaps_[interval];
  std::uint64_t slot = (offset - intervalStart(interval)) / kSlotSize;
  const std::uint64_t end = slot + size / kSlotSize;
  auto setBit = [&](std::uint64_t s) {
    const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (s % 8));  // MSB first
    if (allocated) {
      bits[s / 8] |= mask;
    } else {
      bits[s / 8] &= static_cast<std::uint8_t>(~mask);
    }
  };
  for (; slot < end && slot % 8 != 0; ++slot) setBit(slot);
  if (const std::uint64_t whole = (end - slot) / 8; whole > 0) {
    std::memset(bits.data() + slot / 8, allocated ? 0xFF : 0x00, whole);
    slot += whole * 8;
  }
  for (; slot < end; ++slot) setBit(slot);
  dirty_[interval] = true;
  stats_[interval].valid = false;
}

std::uint64_t AllocationMap::allocate(std::uint64_t size, std::uint64_t align) {
  if (size == 0 || size > kAMapInterval - 3 * kPageSize) {
    throw std::logic_error("allocation size out of range");
  }
  std::uint64_t at = (cursor_ + align - 1) / align * align;
  std::uint64_t interval = intervalOf(at);
  if (at + size > intervalStart(interval + 1)) {
    ++interval;
    at = intervalStart(interval);
  }
  if (at < mapPagesEnd(interval)) at = (mapPagesEnd(interval) + align - 1) / align * align;
  ensureInterval(interval);
  setRange(at, size, true);
  cursor_ = at + size;
  return at;
}

void AllocationMap::freeLater(std::uint64_t offset, std::uint64_t size) {
  deferred_.emplace_back(offset, size);
}

void AllocationMap::applyDeferredFrees() {
  for (const auto& [offset, size] : deferred_) setRange(offset, size, false);
  deferred_.clear();
}

void AllocationMap::markClean() {
  dirty_.assign(dirty_.size(), false);
}

bool AllocationMap::isAllocated(std::uint64_t offset) const {
  if (offset < kFirstAMapOffset) return true;
  const std::uint64_t interval = intervalOf(offset);
  if (interval >= bitmaps_.size()) return false;
  const std::uint64_t slot = (offset - intervalStart(interval)) / kSlotSize;
  return (bitmaps_[interval][slot / 8] & (0x80 >> (slot % 8))) != 0;
}

const AllocationMap::IntervalStats& AllocationMap::stats(std::uint64_t interval) const {
  IntervalStats& s = stats_[interval];
  if (s.valid) return s;
  std::uint64_t used = 0;
  std::uint64_t best = 0;
  std::uint64_t run = 0;
  for (std::uint8_t b : bitmaps_[interval]) {
    used += static_cast<std::uint64_t>(std::popcount(b));
    if (b == 0) {
      run += 8;
      continue;
    }
    for (int bit = 7; bit >= 0; --bit) {  // MSB first
      if (b & (1 << bit)) {
        best = std::max(best, run);
        run = 0;
      } else {
        ++run;
      }
    }
  }
  s.freeSlots = static_cast<std::uint32_t>(kSlotsPerInterval - used);
  s.longestFreeRun = static_cast<std::uint32_t>(std::max(best, run));
  s.valid = true;
  return s;
}

std::uint64_t AllocationMap::freeSlots(std::uint64_t interval) const {
  return stats(interval).freeSlots;
}

std::uint64_t AllocationMap::longestFreeRun(std::uint64_t interval) const {
  return stats(interval).longestFreeRun;
}

std::uint64_t AllocationMap::totalFreeBytes() const {
  std::uint64_t slots = 0;
  for (std::uint64_t k = 0; k < bitmaps_.size(); ++k) slots += freeSlots(k);
  return slots * kSlotSize;
}

}  // namespace mailferry::pst
