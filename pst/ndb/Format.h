// On-disk constants and pure functions of the node database, shared by the writer and the
// reader: sizes, offsets, page types, the CRC, the signature and the permutative encoding.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

#include "pst/ByteOrder.h"

namespace mailferry::pst::format {

// ---- [MS-PST] 5.3 CRC: reflected polynomial 0xEDB88320, initial value 0, no final XOR -------

namespace detail {
constexpr std::array<std::uint32_t, 256> makeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
    table[i] = c;
  }
  return table;
}
inline constexpr std::array<std::uint32_t, 256> kCrcTable = makeCrcTable();
}  // namespace detail

// `crc` continues a CRC over a preceding range (0 to start). Uses the processor's carry-less
// multiplication where it has it; the portable form gives the same result everywhere.
std::uint32_t computeCrc(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
std::uint32_t computeCrcPortable(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

// ---- [MS-PST] 5.5 ComputeSig ----------------------------------------------------------------

constexpr std::uint16_t computeSig(std::uint64_t ib, std::uint64_t bid) {
  const std::uint32_t x = static_cast<std::uint32_t>(ib ^ bid);
  return static_cast<std::uint16_t>((x >> 16) ^ (x & 0xFFFF));
}

// ---- [MS-PST] 5.1 Permutative encoding (NDB_CRYPT_PERMUTE) ----------------------------------
// Encoding substitutes each byte through the first third of mpbbCrypt, decoding through the
// last third; the two are inverse permutations (checked at compile time below).

extern const std::array<std::uint8_t, 256> kPermuteEncode;  // mpbbCrypt[0..255]
extern const std::array<std::uint8_t, 256> kPermuteDecode;  // mpbbCrypt[512..767]

// Uses the processor's byte permutations where it has them; the portable form is the same
// substitution one byte at a time.
void permuteEncode(std::span<std::uint8_t> bytes);
void permuteEncodePortable(std::span<std::uint8_t> bytes);
void permuteDecode(std::span<std::uint8_t> bytes);

// ---- Sizes ----------------------------------------------------------------------------------

// [MS-PST] 2.2.2.7 pages
inline constexpr std::size_t kPageSize = 512;
inline constexpr std::size_t kPageTrailerSize = 16;
inline constexpr std::size_t kPageDataSize = kPageSize - kPageTrailerSize;  // 496, CRC'd

// [MS-PST] 2.2.2.8 blocks
inline constexpr std::size_t kBlockAlign = 64;  // one allocation slot
inline constexpr std::size_t kSlotSize = 64;
inline constexpr std::size_t kBlockTrailerSize = 16;
inline constexpr std::size_t kMaxBlockSize = 8192;
inline constexpr std::size_t kMaxBlockData = kMaxBlockSize - kBlockTrailerSize;  // 8,176

// Bytes a block of `cb` data bytes occupies on disk, trailer and padding included.
constexpr std::uint64_t blockDiskSize(std::uint64_t cb) {
  return (cb + kBlockTrailerSize + kBlockAlign - 1) / kBlockAlign * kBlockAlign;
}

// ---- [MS-PST] 2.2.2.6 HEADER (Unicode) ------------------------------------------------------

inline constexpr std::size_t kHeaderSize = 564;
namespace header {
inline constexpr std::size_t kMagic = 0x000;  // "!BDN"
inline constexpr std::size_t kCrcPartial = 0x004;
inline constexpr std::size_t kMagicClient = 0x008;  // "SM"
inline constexpr std::size_t kVer = 0x00A;
inline constexpr std::size_t kVerClient = 0x00C;
inline constexpr std::size_t kPlatformCreate = 0x00E;
inline constexpr std::size_t kPlatformAccess = 0x00F;
inline constexpr std::size_t kReserved1 = 0x010;
inline constexpr std::size_t kReserved2 = 0x014;
inline constexpr std::size_t kBidUnused = 0x018;
inline constexpr std::size_t kBidNextP = 0x020;
inline constexpr std::size_t kUnique = 0x028;
inline constexpr std::size_t kRgnid = 0x02C;  // 32 x 4 bytes
inline constexpr std::size_t kQwUnused = 0x0AC;
inline constexpr std::size_t kRoot = 0x0B4;  // ROOT, 72 bytes ([MS-PST] 2.2.2.5)
inline constexpr std::size_t kAlign = 0x0FC;
inline constexpr std::size_t kRgbFM = 0x100;  // 128 bytes
inline constexpr std::size_t kRgbFP = 0x180;  // 128 bytes
inline constexpr std::size_t kSentinel = 0x200;
inline constexpr std::size_t kCryptMethod = 0x201;
inline constexpr std::size_t kRgbReserved = 0x202;
inline constexpr std::size_t kBidNextB = 0x204;
inline constexpr std::size_t kCrcFull = 0x20C;
inline constexpr std::size_t kRgbReserved2 = 0x210;
inline constexpr std::size_t kReserved = 0x213;
inline constexpr std::size_t kRgbReserved3 = 0x214;

// Both CRCs start at wMagicClient: dwCRCPartial covers 471 bytes, dwCRCFull 516 bytes.
inline constexpr std::size_t kCrcStart = 0x008;
inline constexpr std::size_t kCrcPartialLength = 471;
inline constexpr std::size_t kCrcFullLength = 516;

inline constexpr std::uint8_t kMagicBytes[4] = {0x21, 0x42, 0x44, 0x4E};
inline constexpr std::uint8_t kMagicClientPst[2] = {0x53, 0x4D};
inline constexpr std::uint16_t kVersionUnicode = 23;
inline constexpr std::uint16_t kVersionClient = 19;
inline constexpr std::uint8_t kPlatform = 0x01;
inline constexpr std::uint8_t kSentinelValue = 0x80;
inline constexpr std::size_t kNidCounters = 32;

// [MS-PST] 2.2.2.5 ROOT, as offsets in the header.
inline constexpr std::size_t kRootReserved = 0x0B4;
inline constexpr std::size_t kFileEof = 0x0B8;
inline constexpr std::size_t kAMapLast = 0x0C0;
inline constexpr std::size_t kAMapFree = 0x0C8;
inline constexpr std::size_t kPMapFree = 0x0D0;
inline constexpr std::size_t kBrefNbt = 0x0D8;  // bid (8), ib (8)
inline constexpr std::size_t kBrefBbt = 0x0E8;
inline constexpr std::size_t kAMapValid = 0x0F8;
inline constexpr std::uint8_t kAMapValid2 = 0x02;  // VALID_AMAP2

// The layout adds up: each field ends where the next begins.
static_assert(kRgnid + 4 * kNidCounters == kQwUnused && kQwUnused + 8 == kRoot);
static_assert(kRoot == kRootReserved && kRootReserved + 4 == kFileEof);
static_assert(kBrefBbt + 16 == kAMapValid && kRoot + 72 == kAlign && kAlign + 4 == kRgbFM);
static_assert(kRgbFM + 128 == kRgbFP && kRgbFP + 128 == kSentinel);
static_assert(kBidNextB + 8 == kCrcFull && kCrcFull + 4 == kRgbReserved2);
static_assert(kCrcStart + kCrcFullLength == kCrcFull && kRgbReserved3 + 0x20 == kHeaderSize);
}  // namespace header

// ---- [MS-PST] 2.2.2.7.1 PAGETRAILER, [MS-PST] 2.2.2.8.1 BLOCKTRAILER --------------------------

namespace pagetrailer {
inline constexpr std::size_t kPtype = 0x1F0;
inline constexpr std::size_t kPtypeRepeat = 0x1F1;
inline constexpr std::size_t kSig = 0x1F2;
inline constexpr std::size_t kCrc = 0x1F4;
inline constexpr std::size_t kBid = 0x1F8;
}  // namespace pagetrailer

// Offsets from the start of the 16-byte trailer at the end of a block's disk size.
namespace blocktrailer {
inline constexpr std::size_t kCb = 0;
inline constexpr std::size_t kSig = 2;
inline constexpr std::size_t kCrc = 4;
inline constexpr std::size_t kBid = 8;
}  // namespace blocktrailer

enum class PageType : std::uint8_t {
  Bbt = 0x80,
  Nbt = 0x81,
  FMap = 0x82,
  PMap = 0x83,
  AMap = 0x84,
  FPMap = 0x85,
  DList = 0x86,
};

// ---- [MS-PST] 2.2.2.7.7 B-tree pages --------------------------------------------------------

namespace btpage {
inline constexpr std::size_t kEntriesSize = 488;
inline constexpr std::size_t kCEnt = 0x1E8;
inline constexpr std::size_t kCEntMax = 0x1E9;
inline constexpr std::size_t kCbEnt = 0x1EA;
inline constexpr std::size_t kCLevel = 0x1EB;
inline constexpr std::size_t kPadding = 0x1EC;

inline constexpr std::size_t kBtEntrySize = 24;   // BTENTRY: btkey (8), BREF (16)
inline constexpr std::size_t kBbtEntrySize = 24;  // BBTENTRY: BREF (16), cb (2), cRef (2), pad (4)
inline constexpr std::size_t kNbtEntrySize =
    32;  // NBTENTRY: nid (8), bidData, bidSub, nidParent, pad
// What Outlook writes as cEntMax (REF), a little below 488 / cbEnt.
inline constexpr std::size_t kMaxEntries24 = 20;
inline constexpr std::size_t kMaxEntries32 = 15;
}  // namespace btpage

// ---- [MS-PST] 2.2.2.8.3 internal blocks -----------------------------------------------------

inline constexpr std::uint8_t kBlockTypeData = 0x01;     // XBLOCK (cLevel 1), XXBLOCK (cLevel 2)
inline constexpr std::uint8_t kBlockTypeSubnode = 0x02;  // SLBLOCK (cLevel 0), SIBLOCK (cLevel 1)
inline constexpr std::size_t kInternalBlockHeader = 8;   // btype, cLevel, cEnt (2), 4 more bytes
inline constexpr std::size_t kMaxXBlockEntries = (kMaxBlockData - 8) / 8;  // 1,021
inline constexpr std::size_t kMaxSlEntries = (kMaxBlockData - 8) / 24;     // 340
inline constexpr std::size_t kMaxSiEntries = (kMaxBlockData - 8) / 16;     // 510

// [MS-PST] 2.2.2.2 BID: bit 0 reserved, bit 1 fInternal, block BIDs step by 4.
inline constexpr std::uint64_t kBidInternal = 0x2;
inline constexpr std::uint64_t kBidStep = 4;
constexpr bool isInternalBid(std::uint64_t bid) {
  return (bid & kBidInternal) != 0;
}
constexpr std::uint64_t bidKey(std::uint64_t bid) {
  return bid & ~std::uint64_t{1};
}

// ---- [MS-PST] 2.2.2.7.2 - 2.2.2.7.6 allocation maps and their fixed places ------------------

inline constexpr std::uint64_t kDListOffset = 0x4200;      // [MS-PST] 2.2.2.7.4 DLISTPAGE
inline constexpr std::uint64_t kFirstAMapOffset = 0x4400;  // [MS-PST] 2.2.2.7.2
inline constexpr std::uint64_t kAMapInterval = 0x3E000;    // 496 bytes x 8 bits x 64 bytes
inline constexpr std::uint64_t kSlotsPerInterval = kAMapInterval / kSlotSize;  // 3,968
inline constexpr std::uint64_t kPMapOffsetInInterval = 0x200;                  // [MS-PST] 2.2.2.7.3
inline constexpr std::uint64_t kFMapOffsetInInterval = 0x400;                  // FMap or FPMap
inline constexpr std::uint64_t kPMapEvery = 8;    // a PMap covers 8 intervals
inline constexpr std::uint64_t kFMapFirst = 128;  // [MS-PST] 2.2.2.7.5
inline constexpr std::uint64_t kFMapEvery = 496;
inline constexpr std::uint64_t kFPMapFirst = 8192;  // [MS-PST] 2.2.2.7.6
inline constexpr std::uint64_t kFPMapEvery = 31744;
inline constexpr std::uint64_t kFirstDataOffset = 0x4800;
inline constexpr std::size_t kRgbFMEntries = 128;  // header rgbFM covers AMaps 0..127
inline constexpr std::size_t kRgbFPBytes = 128;    // header rgbFP covers PMaps 0..1023

// [MS-PST] 2.2.2.7.4 DLISTPAGE
namespace dlist {
inline constexpr std::size_t kFlags = 0x000;
inline constexpr std::size_t kCEnt = 0x001;
inline constexpr std::size_t kCurrentPage = 0x004;
inline constexpr std::size_t kEntries = 0x008;
inline constexpr std::size_t kMaxEntries = 119;
}  // namespace dlist

constexpr std::uint64_t intervalStart(std::uint64_t interval) {
  return kFirstAMapOffset + interval * kAMapInterval;
}
// The interval holding an offset at or past kFirstAMapOffset.
constexpr std::uint64_t intervalOf(std::uint64_t offset) {
  return (offset - kFirstAMapOffset) / kAMapInterval;
}
constexpr bool hasPMap(std::uint64_t interval) {
  return interval % kPMapEvery == 0;
}
constexpr bool hasFMap(std::uint64_t interval) {
  return interval >= kFMapFirst && (interval - kFMapFirst) % kFMapEvery == 0;
}
constexpr bool hasFPMap(std::uint64_t interval) {
  return interval >= kFPMapFirst && (interval - kFPMapFirst) % kFPMapEvery == 0;
}
constexpr std::uint64_t amapOffset(std::uint64_t interval) {
  return intervalStart(interval);
}
constexpr std::uint64_t pmapOffset(std::uint64_t interval) {
  return intervalStart(interval) + kPMapOffsetInInterval;
}
constexpr std::uint64_t fmapOffset(std::uint64_t interval) {
  return intervalStart(interval) + kFMapOffsetInInterval;
}
// End of the map pages at the start of an interval: the first offset free for data.
constexpr std::uint64_t mapPagesEnd(std::uint64_t interval) {
  if (hasFMap(interval) || hasFPMap(interval)) return fmapOffset(interval) + kPageSize;
  if (hasPMap(interval)) return pmapOffset(interval) + kPageSize;
  return amapOffset(interval) + kPageSize;
}
// The file size of a file with `intervals` whole intervals.
constexpr std::uint64_t fileSizeFor(std::uint64_t intervals) {
  return intervalStart(intervals);
}

// ---- Compile-time checks of the figures above ----------------------------------------------

static_assert(kSlotsPerInterval == kPageDataSize * 8);
static_assert(kMaxXBlockEntries == 1021 && kMaxSlEntries == 340 && kMaxSiEntries == 510);
static_assert(hasFMap(128) && hasFMap(624) && !hasFMap(8192) && hasFPMap(8192));
static_assert(fmapOffset(128) == 0x1F04800 && fmapOffset(8192) == 0x7C004800);
static_assert(fileSizeFor(1) == 0x42400);
static_assert(computeSig(0, 0) == 0);

}  // namespace mailferry::pst::format
