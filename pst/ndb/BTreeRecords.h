// The leaf entries of the block and node B-trees as the writer keeps them in memory, with
// their on-disk forms ([MS-PST] 2.2.2.7.7.3 BBTENTRY, 2.2.2.7.7.4 NBTENTRY).
#pragma once

#include <algorithm>
#include <cstdint>

#include "pst/ndb/Format.h"
#include "pst/ndb/Ids.h"

namespace mailferry::pst {

struct BbtRecord {
  Bid bid = 0;
  std::uint64_t ib = 0;
  std::uint32_t refs = 0;  // references held by nodes, subnode entries and data trees
  std::uint16_t cb = 0;

  static constexpr std::size_t kDiskSize = format::btpage::kBbtEntrySize;
  Bid key() const { return bid; }
  void serialize(std::uint8_t* out) const {
    store64(out, bid);
    store64(out + 8, ib);
    store16(out + 16, cb);
    // cRef counts one more than the references (REF: a block used once has cRef 2).
    store16(out + 18, static_cast<std::uint16_t>(std::min<std::uint32_t>(refs + 1, 0xFFFF)));
  }
};

struct NbtRecord {
  Nid nid = 0;
  Nid parent = 0;
  Bid data = 0;
  Bid sub = 0;

  static constexpr std::size_t kDiskSize = format::btpage::kNbtEntrySize;
  Nid key() const { return nid; }
  void serialize(std::uint8_t* out) const {
    store64(out, nid);
    store64(out + 8, data);
    store64(out + 16, sub);
    store32(out + 24, parent);
  }
};

}  // namespace mailferry::pst
