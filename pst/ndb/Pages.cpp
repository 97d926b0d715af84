// Page trailers and the bodies of the map and density-list pages.
#include "pst/ndb/Pages.h"

#include <algorithm>

namespace mailferry::pst {

using namespace format;

void sealPage(Page& page, PageType type, std::uint64_t ib, std::uint64_t bid) {
  const bool mapPage = type == PageType::AMap || type == PageType::PMap || type == PageType::FMap ||
                       type == PageType::FPMap;
  std::uint8_t* t = page.data();
  t[pagetrailer::kPtype] = static_cast<std::uint8_t>(type);
  t[pagetrailer::kPtypeRepeat] = static_cast<std::uint8_t>(type);
  store16(t + pagetrailer::kSig, mapPage ? 0 : computeSig(ib, bid));
  store32(t + pagetrailer::kCrc, computeCrc({t, kPageDataSize}));
  store64(t + pagetrailer::kBid, mapPage ? ib : bid);
}

Page mapPage(PageType type, std::uint64_t ib, std::span<const std::uint8_t, kPageDataSize> bits) {
  Page page{};
  std::copy(bits.begin(), bits.end(), page.begin());
  sealPage(page, type, ib, ib);
  return page;
}

Page fullMapPage(PageType type, std::uint64_t ib) {
  Page page{};
  std::fill_n(page.begin(), kPageDataSize, std::uint8_t{0xFF});
  sealPage(page, type, ib, ib);
  return page;
}

Page emptyDListPage(std::uint64_t bid) {
  Page page{};
  sealPage(page, PageType::DList, kDListOffset, bid);
  return page;
}

}  // namespace mailferry::pst
