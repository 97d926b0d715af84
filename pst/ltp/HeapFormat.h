// Constants and small helpers shared by the heap-on-node writer and reader ([MS-PST] 2.3.1):
// HIDs, page kinds and fill levels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pst/ByteOrder.h"

namespace mailferry::pst::ltp {

using Hid = std::uint32_t;

// [MS-PST] 2.3.1.2 HNHDR bSig and bClientSig values.
constexpr std::uint8_t kHeapSignature = 0xEC;
constexpr std::uint8_t kClientTable = 0x7C;
constexpr std::uint8_t kClientBTree = 0xB5;
constexpr std::uint8_t kClientProperties = 0xBC;

// A heap item never exceeds this size ([MS-PST] 2.3.1); bigger values go to subnodes.
constexpr std::size_t kMaxItemSize = 3580;
// One heap page is one external data block.
constexpr std::size_t kMaxPageSize = 8176;
// hidIndex has 11 bits; index 0 is never used.
constexpr std::size_t kMaxItemsPerPage = 2047;

constexpr std::size_t kFirstPageHeaderSize = 12;   // [MS-PST] 2.3.1.2 HNHDR
constexpr std::size_t kPageHeaderSize = 2;         // [MS-PST] 2.3.1.3 HNPAGEHDR
constexpr std::size_t kBitmapPageHeaderSize = 66;  // [MS-PST] 2.3.1.4 HNBITMAPHDR
constexpr std::size_t kPagesPerBitmap = 128;

// [MS-PST] 2.3.1.1 HID: hidType 0 in the low 5 bits, 1-based item index, 0-based page.
constexpr Hid makeHid(std::size_t page, std::size_t index) {
  return static_cast<Hid>((page << 16) | (index << 5));
}
constexpr std::size_t hidPage(Hid hid) {
  return hid >> 16;
}
constexpr std::size_t hidIndex(Hid hid) {
  return (hid >> 5) & 0x7FF;
}
// An HNID ([MS-PST] 2.3.3.2) is a HID when its low 5 bits are 0, otherwise a subnode NID.
constexpr bool isHid(std::uint32_t hnid) {
  return (hnid & 0x1F) == 0;
}

// Pages 8, 136, 264 ... start with an HNBITMAPHDR; page 0 with the HNHDR; the rest with an
// HNPAGEHDR.
constexpr bool isBitmapPage(std::size_t page) {
  return page >= 8 && (page - 8) % kPagesPerBitmap == 0;
}
constexpr std::size_t pageHeaderSize(std::size_t page) {
  return page == 0 ? kFirstPageHeaderSize
                   : (isBitmapPage(page) ? kBitmapPageHeaderSize : kPageHeaderSize);
}
// The page whose header records the fill level of this page.
constexpr std::size_t fillLevelOwner(std::size_t page) {
  return page < 8 ? 0 : 8 + (page - 8) / kPagesPerBitmap * kPagesPerBitmap;
}

// [MS-PST] 2.3.1.2 fill level nibble from the free bytes of a page.
std::uint8_t fillLevel(std::size_t freeBytes);

}  // namespace mailferry::pst::ltp
