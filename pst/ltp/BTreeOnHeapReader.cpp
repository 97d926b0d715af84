// B-tree-on-heap reader: header and level checks, ordered leaf records.
#include "pst/ltp/BTreeOnHeapReader.h"

#include <algorithm>
#include <string>

namespace mailferry::pst::ltp {

namespace {
// Keys are little-endian unsigned integers: compare from the most significant byte.
int compareKeys(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  for (std::size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}
}  // namespace

BTreeOnHeapReader::BTreeOnHeapReader(const HeapReader& heap, Hid header, std::uint8_t cbKey,
                                     std::uint8_t cbEnt)
    : heap_(heap), cbKey_(cbKey), cbEnt_(cbEnt) {
  // [MS-PST] 2.3.2.1 BTHHEADER
  const auto head = heap.item(header);
  if (head.size() < 8) heap.fail("BTH header item too short", hidPage(header));
  if (head[0] != kClientBTree) heap.fail("BTH header without its 0xB5 signature", hidPage(header));
  if (head[1] != cbKey || head[2] != cbEnt) {
    heap.fail("BTH key/entry sizes " + std::to_string(head[1]) + "/" + std::to_string(head[2]) +
                  ", expected " + std::to_string(cbKey) + "/" + std::to_string(cbEnt),
              hidPage(header));
  }
  levels_ = head[3];
  const Hid root = le32(head, 4);
  if (root != 0) walk(root, levels_, {});
  for (std::size_t i = 1; i < size(); ++i) {
    if (compareKeys(key(i - 1), key(i)) >= 0) {
      heap.fail("BTH keys out of order at record " + std::to_string(i), hidPage(root));
    }
  }
}

void BTreeOnHeapReader::walk(Hid hid, std::size_t level,
                             std::span<const std::uint8_t> expectedFirstKey) {
  const auto item = heap_.item(hid);
  const std::size_t recordSize = level == 0 ? this->recordSize() : std::size_t{cbKey_} + 4;
  if (item.empty() || item.size() % recordSize != 0) {
    heap_.fail("BTH item of " + std::to_string(item.size()) + " bytes is no whole number of " +
                   std::to_string(recordSize) + "-byte records",
               hidPage(hid));
  }
  if (!expectedFirstKey.empty() && compareKeys(item.first(cbKey_), expectedFirstKey) != 0) {
    heap_.fail("BTH intermediate key differs from its child's first key", hidPage(hid));
  }
  if (level == 0) {
    records_.insert(records_.end(), item.begin(), item.end());
    return;
  }
  for (std::size_t off = 0; off < item.size(); off += recordSize) {
    walk(le32(item, off + cbKey_), level - 1, item.subspan(off, cbKey_));
  }
}

std::span<const std::uint8_t> BTreeOnHeapReader::key(std::size_t i) const {
  return std::span<const std::uint8_t>(records_).subspan(i * recordSize(), cbKey_);
}

std::span<const std::uint8_t> BTreeOnHeapReader::entry(std::size_t i) const {
  return std::span<const std::uint8_t>(records_).subspan(i * recordSize() + cbKey_, cbEnt_);
}

std::optional<std::size_t> BTreeOnHeapReader::find(std::uint64_t wanted) const {
  std::size_t lo = 0;
  std::size_t hi = size();
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    const std::uint64_t k = readLe(key(mid), 0, std::min<std::size_t>(cbKey_, 8));
    if (k == wanted) return mid;
    if (k < wanted)
      lo = mid + 1;
    else
      hi = mid;
  }
  return std::nullopt;
}

}  // namespace mailferry::pst::ltp
