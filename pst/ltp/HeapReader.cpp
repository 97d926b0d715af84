// Heap-on-node reader: page header and page map checks, item lookup.
#include "pst/ltp/HeapReader.h"
#include "pst/Hex.h"
#include "pst/PstError.h"

#include <cstdio>

namespace mailferry::pst::ltp {

HeapReader::HeapReader(std::vector<std::vector<std::uint8_t>> pages, std::string where,
                       std::string file)
    : pages_(std::move(pages)), where_(std::move(where)), file_(std::move(file)) {
  if (pages_.empty()) fail("heap has no data");
  allocs_.resize(pages_.size());
  for (std::size_t q = 0; q < pages_.size(); ++q) {
    std::span<const std::uint8_t> b(pages_[q]);
    const std::size_t header = pageHeaderSize(q);
    if (b.size() < header + 4)
      fail("heap page too short (" + std::to_string(b.size()) + " bytes)", q, 0);
    if (b.size() > kMaxPageSize) fail("heap page longer than a data block", q, 0);
    if (q == 0) {
      // [MS-PST] 2.3.1.2 HNHDR
      if (b[2] != kHeapSignature) fail("bad heap signature " + hex(b[2]), q, 2);
      clientSig_ = b[3];
      userRoot_ = le32(b, 4);
    }
    const std::size_t map = le16(b, 0);
    if (map < header || map % 2 != 0 || map + 4 > b.size()) {
      fail("page map offset " + std::to_string(map) + " outside the page", q, 0);
    }
    const std::size_t count = le16(b, map);
    const std::size_t freed = le16(b, map + 2);
    if (map + 4 + 2 * (count + 1) > b.size()) fail("page map runs past the page", q, map);
    if (freed > count) fail("page map frees more items than it has", q, map + 2);
    std::vector<std::uint16_t>& allocs = allocs_[q];
    allocs.resize(count + 1);
    for (std::size_t i = 0; i <= count; ++i) {
      allocs[i] = le16(b, map + 4 + 2 * i);
      const std::size_t previous = i == 0 ? header : allocs[i - 1];
      if (allocs[i] < previous || allocs[i] > map) {
        fail("item offset " + std::to_string(allocs[i]) + " out of order or past the page map", q,
             static_cast<std::int64_t>(map + 4 + 2 * i));
      }
    }
  }
  if (userRoot_ != 0 && !contains(userRoot_))
    fail("hidUserRoot " + hex(userRoot_) + " names no item", 0, 4);
}

bool HeapReader::contains(Hid hid) const {
  if ((hid & 0x1F) != 0 || hidPage(hid) >= pages_.size()) return false;
  const std::size_t index = hidIndex(hid);
  const auto& allocs = allocs_[hidPage(hid)];
  return index >= 1 && index < allocs.size();
}

std::span<const std::uint8_t> HeapReader::item(Hid hid) const {
  if (!contains(hid)) fail("HID " + hex(hid) + " names no heap item", hidPage(hid));
  const auto& allocs = allocs_[hidPage(hid)];
  const std::size_t index = hidIndex(hid);
  return std::span<const std::uint8_t>(pages_[hidPage(hid)])
      .subspan(allocs[index - 1], allocs[index] - allocs[index - 1]);
}

void HeapReader::fail(const std::string& what, std::size_t page, std::int64_t offset) const {
  std::string message = where_ + ": " + what;
  if (pages_.size() > 1 || page > 0) message += " (heap page " + std::to_string(page) + ")";
  if (offset >= 0) message += " at heap offset " + std::to_string(offset);
  throw PstError(PstError::Kind::Corrupt, message, file_, -1);
}

}  // namespace mailferry::pst::ltp
