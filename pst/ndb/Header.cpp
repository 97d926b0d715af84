// Encoding and decoding of the Unicode HEADER with its ROOT.
#include "pst/ndb/Header.h"

#include <cstring>
#include <stdexcept>

namespace mailferry::pst {

using namespace format;
using namespace format::header;

std::array<std::uint8_t, kHeaderSize> encodeHeader(const Header& f) {
  std::array<std::uint8_t, kHeaderSize> h{};
  std::uint8_t* p = h.data();
  std::memcpy(p + kMagic, kMagicBytes, 4);
  std::memcpy(p + kMagicClient, kMagicClientPst, 2);
  store16(p + kVer, f.version);
  store16(p + kVerClient, f.clientVersion);
  p[kPlatformCreate] = kPlatform;
  p[kPlatformAccess] = kPlatform;
  store64(p + kBidNextP, f.bidNextP);
  store32(p + kUnique, f.unique);
  for (std::size_t i = 0; i < kNidCounters; ++i) store32(p + kRgnid + 4 * i, f.rgnid[i]);
  store64(p + kFileEof, f.fileEof);
  store64(p + kAMapLast, f.amapLast);
  store64(p + kAMapFree, f.amapFree);
  store64(p + kPMapFree, f.pmapFree);
  store64(p + kBrefNbt, f.nbt.bid);
  store64(p + kBrefNbt + 8, f.nbt.ib);
  store64(p + kBrefBbt, f.bbt.bid);
  store64(p + kBrefBbt + 8, f.bbt.ib);
  p[kAMapValid] = f.amapValid;
  std::memcpy(p + kRgbFM, f.rgbFM.data(), f.rgbFM.size());
  std::memcpy(p + kRgbFP, f.rgbFP.data(), f.rgbFP.size());
  p[kSentinel] = f.sentinel;
  p[kCryptMethod] = f.cryptMethod;
  store64(p + kBidNextB, f.bidNextB);
  store32(p + kCrcPartial, computeCrc({p + kCrcStart, kCrcPartialLength}));
  store32(p + kCrcFull, computeCrc({p + kCrcStart, kCrcFullLength}));
  return h;
}

Header decodeHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderSize) throw std::invalid_argument("header too short");
  const std::uint8_t* p = bytes.data();
  Header f;
  f.crcPartial = load32(p + kCrcPartial);
  f.version = load16(p + kVer);
  f.clientVersion = load16(p + kVerClient);
  f.bidNextP = load64(p + kBidNextP);
  f.unique = load32(p + kUnique);
  for (std::size_t i = 0; i < kNidCounters; ++i) f.rgnid[i] = load32(p + kRgnid + 4 * i);
  f.fileEof = load64(p + kFileEof);
  f.amapLast = load64(p + kAMapLast);
  f.amapFree = load64(p + kAMapFree);
  f.pmapFree = load64(p + kPMapFree);
  f.nbt = {load64(p + kBrefNbt), load64(p + kBrefNbt + 8)};
  f.bbt = {load64(p + kBrefBbt), load64(p + kBrefBbt + 8)};
  f.amapValid = p[kAMapValid];
  std::memcpy(f.rgbFM.data(), p + kRgbFM, f.rgbFM.size());
  std::memcpy(f.rgbFP.data(), p + kRgbFP, f.rgbFP.size());
  f.sentinel = p[kSentinel];
  f.cryptMethod = p[kCryptMethod];
  f.bidNextB = load64(p + kBidNextB);
  f.crcFull = load32(p + kCrcFull);
  return f;
}

bool headerCrcsMatch(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderSize) return false;
  const std::uint8_t* p = bytes.data();
  return load32(p + kCrcPartial) == computeCrc({p + kCrcStart, kCrcPartialLength}) &&
         load32(p + kCrcFull) == computeCrc({p + kCrcStart, kCrcFullLength});
}

}  // namespace mailferry::pst
