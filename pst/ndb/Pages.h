// 512-byte pages and their PAGETRAILER ([MS-PST] 2.2.2.7, 2.2.2.7.1), and the contents of the
// map and density-list pages ([MS-PST] 2.2.2.7.2 - 2.2.2.7.6).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "pst/ndb/Format.h"
#include "pst/ndb/Ids.h"

namespace mailferry::pst {

using Page = std::array<std::uint8_t, format::kPageSize>;

// Fills the trailer of a page placed at `ib`. Map pages carry no signature and their own
// offset as BID; B-tree and density-list pages are signed with their page BID.
void sealPage(Page& page, format::PageType type, std::uint64_t ib, std::uint64_t bid);

// An AMap, FMap (one byte per AMap) or PMap/FPMap page at `ib` with the given 496 data bytes.
Page mapPage(format::PageType type, std::uint64_t ib,
             std::span<const std::uint8_t, format::kPageDataSize> bits);
// A PMap or FPMap page with every bit set: nothing is reserved through these deprecated maps.
Page fullMapPage(format::PageType type, std::uint64_t ib);
// An empty density list ([MS-PST] 2.2.2.7.4), as Outlook leaves it.
Page emptyDListPage(std::uint64_t bid);

}  // namespace mailferry::pst
