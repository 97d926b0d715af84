// The heap-on-node and B-tree-on-heap layouts on byte buffers: Outlook's packing, page maps,
// fill levels and bitmap headers, multi-level trees, and the reader's checks of damaged pages.
#include <gtest/gtest.h>

#include <numeric>

#include "pst/PstError.h"
#include "pst/ltp/BTreeOnHeapReader.h"
#include "pst/ltp/BTreeOnHeapWriter.h"
#include "pst/ltp/HeapReader.h"
#include "pst/ltp/HeapWriter.h"

namespace mailferry::pst::ltp {
namespace {

std::vector<std::vector<std::uint8_t>> pagesOf(const HeapWriter& heap) {
  std::vector<std::vector<std::uint8_t>> pages;
  for (std::size_t i = 0; i < heap.pageCount(); ++i) pages.push_back(heap.pageBytes(i));
  return pages;
}

std::vector<std::uint8_t> filled(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> v(size);
  for (std::size_t i = 0; i < size; ++i) v[i] = static_cast<std::uint8_t>(seed + i * 7);
  return v;
}

TEST(HeapLayout, PacksItemsLikeOutlook) {
  HeapWriter heap(kClientProperties);
  const Hid a = heap.allocate(filled(8, 1));
  const Hid b = heap.allocate(filled(3, 2));
  heap.setUserRoot(a);
  EXPECT_EQ(a, 0x20u);
  EXPECT_EQ(b, 0x40u);
  const auto page = heap.pageBytes(0);
  // HNHDR: page map at 24 (items end on the odd offset 23), 0xEC, client, root, fill levels.
  EXPECT_EQ(le16(page, 0), 24);
  EXPECT_EQ(page[2], 0xEC);
  EXPECT_EQ(page[3], 0xBC);
  EXPECT_EQ(le32(page, 4), 0x20u);
  EXPECT_EQ(le32(page, 8), 0u);  // nearly empty page: level 0
  EXPECT_EQ(page[23], 0);        // the pad byte
  // HNPAGEMAP: cAlloc 2, cFree 0, offsets 12, 20, 23, and the block ends right after it.
  EXPECT_EQ(le16(page, 24), 2);
  EXPECT_EQ(le16(page, 26), 0);
  EXPECT_EQ(le16(page, 28), 12);
  EXPECT_EQ(le16(page, 30), 20);
  EXPECT_EQ(le16(page, 32), 23);
  EXPECT_EQ(page.size(), 34u);

  HeapReader reader(pagesOf(heap), "test heap", "");
  EXPECT_EQ(reader.userRoot(), 0x20u);
  EXPECT_EQ(std::vector<std::uint8_t>(reader.item(b).begin(), reader.item(b).end()), filled(3, 2));
}

TEST(HeapLayout, ManyPagesCarryBitmapHeadersAndFillLevels) {
  HeapWriter heap(kClientProperties);
  std::vector<Hid> hids;
  // Two 3,580-byte items fill a page to 7,160 + header + map: 300 pages.
  for (std::size_t i = 0; i < 600; ++i) hids.push_back(heap.allocate(filled(kMaxItemSize, i)));
  ASSERT_EQ(heap.pageCount(), 300u);
  EXPECT_EQ(hids[2], makeHid(1, 1));
  const auto pages = pagesOf(heap);
  // Page 0 holds 12 + 7,160 + 10 bytes: 994 free -> level 7, for pages 0-7.
  EXPECT_EQ(le32(pages[0], 8), 0x77777777u);
  for (std::size_t q : {std::size_t{8}, std::size_t{136}, std::size_t{264}}) {
    SCOPED_TRACE(q);
    EXPECT_EQ(le16(pages[q], 0), 66 + 2 * kMaxItemSize);
    const std::size_t covered = std::min<std::size_t>(128, 300 - q);
    for (std::size_t i = 0; i < 64; ++i) {
      const std::uint8_t expected = static_cast<std::uint8_t>((2 * i < covered ? 0x07 : 0) |
                                                              (2 * i + 1 < covered ? 0x70 : 0));
      ASSERT_EQ(pages[q][2 + i], expected) << "byte " << i;
    }
  }
  EXPECT_EQ(le16(pages[9], 0), 2 + 2 * kMaxItemSize);

  HeapReader reader(pages, "test heap", "");
  for (std::size_t i = 0; i < hids.size(); ++i) {
    const auto item = reader.item(hids[i]);
    ASSERT_EQ(std::vector<std::uint8_t>(item.begin(), item.end()), filled(kMaxItemSize, i));
  }
}

TEST(HeapLayout, ReplaceKeepsTheHidWhileThePageHasRoomAndFreeLeavesAnEmptySlot) {
  HeapWriter heap(kClientTable);
  const Hid a = heap.allocate(filled(100, 1));
  const Hid b = heap.allocate(filled(100, 2));
  const Hid c = heap.allocate(filled(100, 3));
  EXPECT_EQ(heap.replace(b, filled(300, 4)), b);
  heap.free(a);
  HeapReader reader(pagesOf(heap), "test heap", "");
  EXPECT_FALSE(reader.item(a).size());
  EXPECT_EQ(reader.item(b).size(), 300u);
  EXPECT_EQ(std::vector<std::uint8_t>(reader.item(c).begin(), reader.item(c).end()),
            filled(100, 3));
  EXPECT_EQ(le16(heap.pageBytes(0), le16(heap.pageBytes(0), 0) + 2), 1);  // cFree

  // An item that no longer fits its page moves to the end of the heap.
  for (int i = 0; i < 3; ++i) heap.allocate(filled(kMaxItemSize, 9));
  const Hid moved = heap.replace(b, filled(kMaxItemSize, 5));
  EXPECT_NE(moved, b);
  EXPECT_EQ(hidPage(moved), heap.pageCount() - 1);
  EXPECT_THROW(heap.allocate(filled(kMaxItemSize + 1, 0)), std::logic_error);
}

TEST(HeapLayout, ReaderNamesTheFaultOfADamagedPage) {
  HeapWriter heap(kClientProperties);
  heap.setUserRoot(heap.allocate(filled(10, 1)));
  const auto good = heap.pageBytes(0);
  auto expectFault = [](std::vector<std::uint8_t> page, const char* what) {
    try {
      HeapReader reader({std::move(page)}, "node 0x122", "x.pst");
      ADD_FAILURE() << "no error for " << what;
    } catch (const PstError& e) {
      EXPECT_NE(std::string(e.what()).find("node 0x122"), std::string::npos) << e.what();
      EXPECT_EQ(e.file(), "x.pst");
    }
  };
  auto badSig = good;
  badSig[2] = 0xEB;
  expectFault(badSig, "signature");
  auto oddMap = good;
  oddMap[0] += 1;
  expectFault(oddMap, "odd page map");
  auto pastMap = good;
  pastMap[le16(good, 0) + 2 * 2 + 2] = 0xFF;  // rgibAlloc[1] beyond the page map
  expectFault(pastMap, "item past the map");
  auto badRoot = good;
  badRoot[4] = 0x60;
  expectFault(badRoot, "root names no item");

  HeapReader reader({good}, "node 0x122", "");
  EXPECT_THROW(reader.item(0x40), PstError);
  EXPECT_THROW(reader.item(0x10021), PstError);
}

std::vector<std::uint8_t> records(std::size_t count, std::size_t cbKey, std::size_t cbEnt) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < count; ++i) {
    appendLe(out, 3 * i + 1, cbKey);
    appendLe(out, i * 1000003, cbEnt);
  }
  return out;
}

TEST(BTreeOnHeap, GrowsLevelsAndKeysIntermediateItemsByFirstChildKey) {
  for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{447}, std::size_t{448},
                            std::size_t{2000}, std::size_t{200000}}) {
    SCOPED_TRACE(count);
    HeapWriter heap(kClientTable);
    BTreeOnHeapWriter writer(4, 4);
    heap.setUserRoot(writer.allocateHeader(heap));
    const auto input = records(count, 4, 4);
    writer.update(heap, input);
    HeapReader reader(pagesOf(heap), "test", "");
    BTreeOnHeapReader bth(reader, writer.header(), 4, 4);
    ASSERT_EQ(bth.size(), count);
    const std::uint8_t levels = count <= 447 ? 0 : (count <= 447 * 447 ? 1 : 2);
    EXPECT_EQ(bth.levels(), levels);
    for (std::size_t i = 0; i < count; ++i) {
      ASSERT_EQ(le32(bth.key(i), 0), 3 * i + 1);
      ASSERT_EQ(le32(bth.entry(i), 0), static_cast<std::uint32_t>(i * 1000003));
    }
    if (count > 0) {
      EXPECT_EQ(bth.find(3 * (count - 1) + 1), count - 1);
    }
    EXPECT_FALSE(bth.find(2).has_value());
  }
}

TEST(BTreeOnHeap, UpdateRewritesOnlyChangedItems) {
  HeapWriter heap(kClientTable);
  BTreeOnHeapWriter writer(4, 4);
  heap.setUserRoot(writer.allocateHeader(heap));
  writer.update(heap, records(5000, 4, 4));
  const auto before = pagesOf(heap);
  writer.update(heap, records(5010, 4, 4));
  const auto after = pagesOf(heap);
  // Leaves 0..10 are unchanged; only the last leaf, the intermediate item, the header and
  // page 0's fill levels differ.
  std::size_t changed = 0;
  for (std::size_t q = 0; q < before.size(); ++q) changed += before[q] != after[q] ? 1 : 0;
  EXPECT_LE(changed, 3u);
  HeapReader reader(after, "test", "");
  EXPECT_EQ(BTreeOnHeapReader(reader, writer.header(), 4, 4).size(), 5010u);

  writer.update(heap, {});
  HeapReader empty(pagesOf(heap), "test", "");
  EXPECT_EQ(BTreeOnHeapReader(empty, writer.header(), 4, 4).size(), 0u);
  EXPECT_EQ(le32(empty.item(writer.header()), 4), 0u);
}

TEST(BTreeOnHeap, ReaderRejectsUnsortedKeysAndWrongSizes) {
  HeapWriter heap(kClientProperties);
  BTreeOnHeapWriter writer(2, 6);
  heap.setUserRoot(writer.allocateHeader(heap));
  auto input = records(3, 2, 6);
  std::swap_ranges(input.begin(), input.begin() + 8, input.begin() + 8);
  writer.update(heap, input);
  HeapReader reader(pagesOf(heap), "node 0x21", "");
  EXPECT_THROW(BTreeOnHeapReader(reader, writer.header(), 2, 6), PstError);
  EXPECT_THROW(BTreeOnHeapReader(reader, writer.header(), 4, 4), PstError);
}

}  // namespace
}  // namespace mailferry::pst::ltp
