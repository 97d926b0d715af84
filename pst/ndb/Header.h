// The Unicode HEADER with its ROOT ([MS-PST] 2.2.2.6, 2.2.2.5): one definition for the writer
// and the reader, and its 564-byte on-disk form with both CRCs.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "pst/ndb/Format.h"
#include "pst/ndb/Ids.h"

namespace mailferry::pst {

struct Header {
  std::uint32_t crcPartial = 0;                                  // dwCRCPartial (as read)
  std::uint16_t version = format::header::kVersionUnicode;       // wVer
  std::uint16_t clientVersion = format::header::kVersionClient;  // wVerClient
  Bid bidNextP = 0;                                              // bidNextP: next page BID
  std::uint32_t unique = 0;  // dwUnique, changed at every commit
  std::array<std::uint32_t, format::header::kNidCounters> rgnid{};  // next NID index by type
  // ROOT ([MS-PST] 2.2.2.5)
  std::uint64_t fileEof = 0;                             // ibFileEof
  std::uint64_t amapLast = 0;                            // ibAMapLast: the last AMap page
  std::uint64_t amapFree = 0;                            // cbAMapFree
  std::uint64_t pmapFree = 0;                            // cbPMapFree
  Bref nbt;                                              // BREFNBT: root page of the node B-tree
  Bref bbt;                                              // BREFBBT: root page of the block B-tree
  std::uint8_t amapValid = format::header::kAMapValid2;  // fAMapValid
  // After the ROOT
  std::array<std::uint8_t, format::kRgbFMEntries> rgbFM{};  // rgbFM (deprecated, 0xFF)
  std::array<std::uint8_t, format::kRgbFPBytes> rgbFP{};    // rgbFP (deprecated, 0xFF)
  std::uint8_t sentinel = format::header::kSentinelValue;   // bSentinel
  std::uint8_t cryptMethod = 0;                             // bCryptMethod
  Bid bidNextB = 0;                                         // bidNextB: next block BID
  std::uint32_t crcFull = 0;                                // dwCRCFull (as read)
};

// The on-disk form, with the magic numbers, both CRCs computed and the crc fields ignored.
std::array<std::uint8_t, format::kHeaderSize> encodeHeader(const Header& header);
// Reads every field back; checks neither magic numbers nor CRCs (see headerCrcsMatch, and
// ndbread::parseHeader for the reader's checks).
Header decodeHeader(std::span<const std::uint8_t> bytes);
bool headerCrcsMatch(std::span<const std::uint8_t> bytes);

}  // namespace mailferry::pst
