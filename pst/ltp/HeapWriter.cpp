// Heap-on-node writer: page model, Outlook's packing and the reuse of unchanged page blocks.
#include "pst/ltp/HeapWriter.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace mailferry::pst::ltp {

std::uint8_t fillLevel(std::size_t freeBytes) {
  // [MS-PST] 2.3.1.2 rgbFillLevel: the lower bound of free bytes for each level 0x0..0xE.
  static constexpr std::size_t kLowerBounds[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                                 512,  256,  128,  64,   32,   16,   8};
  for (std::size_t level = 0; level < std::size(kLowerBounds); ++level) {
    if (freeBytes >= kLowerBounds[level]) return static_cast<std::uint8_t>(level);
  }
  return 0xF;
}

HeapWriter::HeapWriter(std::uint8_t clientSig) : clientSig_(clientSig) {
  addPage();
}

std::size_t HeapWriter::serializedSize(std::size_t page, std::size_t dataSize, std::size_t count) {
  // [MS-PST] 2.3.1.5 HNPAGEMAP on an even offset: cAlloc, cFree, rgibAlloc[cAlloc + 1].
  const std::size_t mapStart = (pageHeaderSize(page) + dataSize + 1) & ~std::size_t{1};
  return mapStart + 4 + 2 * (count + 1);
}

std::size_t HeapWriter::itemStart(const Page& p, std::size_t index) const {
  return index == 1 ? 0 : p.ends[index - 2];
}

HeapWriter::Page& HeapWriter::pageOf(Hid hid) {
  return const_cast<Page&>(static_cast<const HeapWriter*>(this)->pageOf(hid));
}

const HeapWriter::Page& HeapWriter::pageOf(Hid hid) const {
  if (!contains(hid)) throw std::logic_error("heap: no item with HID " + std::to_string(hid));
  return pages_[hidPage(hid)];
}

bool HeapWriter::contains(Hid hid) const {
  if ((hid & 0x1F) != 0 || hidPage(hid) >= pages_.size()) return false;
  const std::size_t index = hidIndex(hid);
  const Page& p = pages_[hidPage(hid)];
  return index >= 1 && index <= p.ends.size() && p.ends[index - 1] > itemStart(p, index);
}

Hid HeapWriter::allocate(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > kMaxItemSize) {
    throw std::logic_error("heap: item size " + std::to_string(bytes.size()) + " outside 1.." +
                           std::to_string(kMaxItemSize));
  }
  std::size_t pageNo = pages_.size() - 1;
  Page* p = &pages_.back();
  if (p->ends.size() >= kMaxItemsPerPage ||
      serializedSize(pageNo, p->data.size() + bytes.size(), p->ends.size() + 1) > kMaxPageSize) {
    addPage();
    ++pageNo;
    p = &pages_.back();
    // The fill level of the new page changes the header that records it.
    pages_[fillLevelOwner(pageNo)].dirty = true;
  }
  p->data.insert(p->data.end(), bytes.begin(), bytes.end());
  p->ends.push_back(static_cast<std::uint16_t>(p->data.size()));
  p->dirty = true;
  return makeHid(pageNo, p->ends.size());
}

void HeapWriter::addPage() {
  Page& page = pages_.emplace_back();
  page.data.reserve(1024);
  page.ends.reserve(32);
}

Hid HeapWriter::replace(Hid hid, std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > kMaxItemSize) {
    throw std::logic_error("heap: item size " + std::to_string(bytes.size()) + " outside 1.." +
                           std::to_string(kMaxItemSize));
  }
  Page& p = pageOf(hid);
  const std::size_t pageNo = hidPage(hid);
  const std::size_t index = hidIndex(hid);
  const std::size_t start = itemStart(p, index);
  const std::size_t oldSize = p.ends[index - 1] - start;
  if (oldSize == bytes.size()) {
    if (!std::equal(bytes.begin(), bytes.end(), p.data.begin() + start)) {
      std::copy(bytes.begin(), bytes.end(), p.data.begin() + start);
      p.dirty = true;
    }
    return hid;
  }
  if (serializedSize(pageNo, p.data.size() - oldSize + bytes.size(), p.ends.size()) >
      kMaxPageSize) {
    free(hid);
    return allocate(bytes);
  }
  p.data.erase(p.data.begin() + start, p.data.begin() + start + oldSize);
  p.data.insert(p.data.begin() + start, bytes.begin(), bytes.end());
  const auto delta =
      static_cast<std::ptrdiff_t>(bytes.size()) - static_cast<std::ptrdiff_t>(oldSize);
  for (std::size_t i = index - 1; i < p.ends.size(); ++i) {
    p.ends[i] = static_cast<std::uint16_t>(p.ends[i] + delta);
  }
  p.dirty = true;
  return hid;
}

void HeapWriter::free(Hid hid) {
  Page& p = pageOf(hid);
  const std::size_t index = hidIndex(hid);
  const std::size_t start = itemStart(p, index);
  const std::size_t size = p.ends[index - 1] - start;
  p.data.erase(p.data.begin() + start, p.data.begin() + start + size);
  for (std::size_t i = index - 1; i < p.ends.size(); ++i) {
    p.ends[i] = static_cast<std::uint16_t>(p.ends[i] - size);
  }
  // Freed entries at the end of the page map need no slot.
  while (!p.ends.empty() && p.ends.back() == itemStart(p, p.ends.size())) p.ends.pop_back();
  p.dirty = true;
}

std::span<const std::uint8_t> HeapWriter::item(Hid hid) const {
  const Page& p = pageOf(hid);
  const std::size_t index = hidIndex(hid);
  const std::size_t start = itemStart(p, index);
  return std::span<const std::uint8_t>(p.data).subspan(start, p.ends[index - 1] - start);
}

void HeapWriter::setUserRoot(Hid hid) {
  if (hid != userRoot_) {
    userRoot_ = hid;
    pages_[0].dirty = true;
  }
}

std::vector<std::uint8_t> HeapWriter::pageBytes(std::size_t page) const {
  const Page& p = pages_.at(page);
  const std::size_t header = pageHeaderSize(page);
  const std::size_t size = serializedSize(page, p.data.size(), p.ends.size());
  const std::size_t mapStart = size - 4 - 2 * (p.ends.size() + 1);
  std::vector<std::uint8_t> out(size, 0);
  std::span<std::uint8_t> b(out);
  writeLe(b, 0, mapStart, 2);
  auto putFill = [&](std::size_t at, std::size_t first, std::size_t count) {
    for (std::size_t i = 0; i < count && first + i < pages_.size(); ++i) {
      const std::size_t q = first + i;
      const std::size_t used = serializedSize(q, pages_[q].data.size(), pages_[q].ends.size());
      const std::uint8_t level = fillLevel(kMaxPageSize - used);
      out[at + i / 2] |= static_cast<std::uint8_t>(i % 2 == 0 ? level : level << 4);
    }
  };
  if (page == 0) {
    // [MS-PST] 2.3.1.2 HNHDR
    out[2] = kHeapSignature;
    out[3] = clientSig_;
    writeLe(b, 4, userRoot_, 4);
    putFill(8, 0, 8);
  } else if (isBitmapPage(page)) {
    // [MS-PST] 2.3.1.4 HNBITMAPHDR: the fill levels of this page and the 127 after it.
    putFill(2, page, kPagesPerBitmap);
  }
  std::copy(p.data.begin(), p.data.end(), out.begin() + header);
  std::size_t freed = 0;
  for (std::size_t i = 1; i <= p.ends.size(); ++i) {
    if (p.ends[i - 1] == itemStart(p, i)) ++freed;
  }
  writeLe(b, mapStart, p.ends.size(), 2);
  writeLe(b, mapStart + 2, freed, 2);
  writeLe(b, mapStart + 4, header, 2);
  for (std::size_t i = 0; i < p.ends.size(); ++i) {
    writeLe(b, mapStart + 6 + 2 * i, header + p.ends[i], 2);
  }
  return out;
}

std::uint64_t HeapWriter::byteSize() const {
  std::uint64_t total = 0;
  for (std::size_t q = 0; q < pages_.size(); ++q) {
    total += serializedSize(q, pages_[q].data.size(), pages_[q].ends.size());
  }
  return total;
}

Bid HeapWriter::write(NodeDatabase& db) {
  // A page whose fill level changed makes the header that records it change too.
  for (std::size_t q = 0; q < pages_.size(); ++q) {
    Page& p = pages_[q];
    const std::uint8_t level =
        fillLevel(kMaxPageSize - serializedSize(q, p.data.size(), p.ends.size()));
    if (level != p.fill) {
      p.fill = level;
      pages_[fillLevelOwner(q)].dirty = true;
    }
  }
  std::vector<Bid> leaves;
  leaves.reserve(pages_.size());
  for (std::size_t q = 0; q < pages_.size(); ++q) {
    Page& p = pages_[q];
    if (p.dirty || p.bid == 0) {
      p.bid = db.writeBlock(pageBytes(q));
      p.dirty = false;
    }
    leaves.push_back(p.bid);
  }
  return db.writeDataTree(leaves);
}

}  // namespace mailferry::pst::ltp
