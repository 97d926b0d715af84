// The Unicode HEADER and its ROOT ([MS-PST] 2.2.2.6, 2.2.2.5) as fields, and their 564-byte
// on-disk form with both CRCs.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "pst/ndb/Format.h"

namespace mailferry::pst {

struct HeaderFields {
  std::uint64_t bidNextP = 0;
  std::uint64_t bidNextB = 0;
  std::uint32_t unique = 0;
  std::array<std::uint32_t, format::header::kNidCounters> rgnid{};
  std::uint64_t fileEof = 0;
  std::uint64_t amapLast = 0;
  std::uint64_t amapFree = 0;
  std::uint64_t pmapFree = 0;
  std::uint64_t nbtBid = 0, nbtIb = 0;
  std::uint64_t bbtBid = 0, bbtIb = 0;
  std::uint8_t amapValid = format::header::kAMapValid2;
  std::array<std::uint8_t, format::kRgbFMEntries> rgbFM{};
  std::array<std::uint8_t, format::kRgbFPBytes> rgbFP{};
  std::uint8_t cryptMethod = 0;
};

std::array<std::uint8_t, format::kHeaderSize> encodeHeader(const HeaderFields& fields);
// Reads the fields back; does not check magic numbers or CRCs (see headerCrcsMatch).
HeaderFields decodeHeader(std::span<const std::uint8_t> bytes);
bool headerCrcsMatch(std::span<const std::uint8_t> bytes);

}  // namespace mailferry::pst
