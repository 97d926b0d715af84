// Space of a node database file in AMap intervals ([MS-PST] 2.2.2.7.2): one bit per 64-byte
// slot, the append cursor that hands out new space (never reusing freed space in a session),
// and the frees that only take effect after the next header write.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "pst/ndb/Format.h"

namespace mailferry::pst {

class AllocationMap {
 public:
  using Bitmap = std::array<std::uint8_t, format::kPageDataSize>;

  AllocationMap();

  // New space at the end of the data, `align`-aligned, skipping the map pages at the start of
  // each interval; `size` must fit in one interval. Its slots are marked allocated.
  std::uint64_t allocate(std::uint64_t size, std::uint64_t align);
  // Space that nothing references any more. Its slots stay allocated in the maps written by
  // the next commit (the previous header may still reference them) and are cleared after it.
  void freeLater(std::uint64_t offset, std::uint64_t size);
  // Called once the header of a commit is on disk.
  void applyDeferredFrees();
  bool hasDeferredFrees() const { return !deferred_.empty(); }

  std::uint64_t cursor() const { return cursor_; }
  // Whole intervals the file needs so far (>= 1).
  std::uint64_t intervalCount() const { return bitmaps_.size(); }
  const Bitmap& bitmap(std::uint64_t interval) const { return bitmaps_[interval]; }
  bool isDirty(std::uint64_t interval) const { return dirty_[interval]; }
  void markClean();
  void markClean(std::uint64_t interval) { dirty_[interval] = false; }
  bool isAllocated(std::uint64_t offset) const;

  // Statistics computed from the bitmaps, kept per interval until its bitmap changes (a commit
  // asks for them all, but only the intervals written since the last one have changed).
  std::uint64_t freeSlots(std::uint64_t interval) const;
  std::uint64_t longestFreeRun(std::uint64_t interval) const;
  std::uint64_t totalFreeBytes() const;

 private:
  void ensureInterval(std::uint64_t interval);
  void setRange(std::uint64_t offset, std::uint64_t size, bool allocated);
  struct IntervalStats {
    std::uint32_t freeSlots = 0;
    std::uint32_t longestFreeRun = 0;
    bool valid = false;
  };
  const IntervalStats& stats(std::uint64_t interval) const;

  std::deque<Bitmap> bitmaps_;  // never moved as it grows
  std::vector<bool> dirty_;
  mutable std::vector<IntervalStats> stats_;
  std::uint64_t cursor_ = format::kFirstDataOffset;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> deferred_;
};

}  // namespace mailferry::pst
