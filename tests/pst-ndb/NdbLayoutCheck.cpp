// Walks header, B-tree pages, blocks and maps of a file from its raw bytes and checks every
// CRC, signature, key order, reference count and allocation bit.
#include "tests/pst-ndb/NdbLayoutCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "pst/ndb/Format.h"
#include "pst/ndb/Header.h"

namespace mailferry::testing {

using namespace pst::format;
using pst::load16;
using pst::load32;
using pst::load64;

namespace {

class RawFile {
 public:
  explicit RawFile(const std::filesystem::path& p)
      : in_(p, std::ios::binary), size_(std::filesystem::file_size(p)) {}
  std::uint64_t size() const { return size_; }
  std::vector<std::uint8_t> read(std::uint64_t offset, std::size_t n) {
    std::vector<std::uint8_t> out(n, 0);
    if (offset + n > size_) {
      ADD_FAILURE() << "read past the end of the file at " << offset;
      return out;
    }
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(n));
    return out;
  }

 private:
  std::ifstream in_;
  std::uint64_t size_;
};

struct Extent {
  std::uint64_t offset, size;
  const char* what;
};

std::uint64_t longestRun(const std::uint8_t* bits) {
  std::uint64_t best = 0, run = 0;
  for (std::size_t slot = 0; slot < kSlotsPerInterval; ++slot) {
    if (bits[slot / 8] & (0x80 >> (slot % 8))) {
      best = std::max(best, run);
      run = 0;
    } else {
      ++run;
    }
  }
  return std::max(best, run);
}

// Checks a page's trailer; returns its data.
std::vector<std::uint8_t> readPage(RawFile& f, std::uint64_t ib, PageType type,
                                   std::uint64_t expectedBid) {
  auto page = f.read(ib, kPageSize);
  const std::uint8_t* t = page.data();
  EXPECT_EQ(ib % kPageSize, 0u) << "page at " << ib;
  EXPECT_EQ(t[pagetrailer::kPtype], static_cast<std::uint8_t>(type)) << "page at " << ib;
  EXPECT_EQ(t[pagetrailer::kPtypeRepeat], static_cast<std::uint8_t>(type)) << "page at " << ib;
  EXPECT_EQ(load32(t + pagetrailer::kCrc), computeCrc({t, kPageDataSize})) << "page at " << ib;
  EXPECT_EQ(load64(t + pagetrailer::kBid), expectedBid) << "page at " << ib;
  const bool map = type == PageType::AMap || type == PageType::PMap || type == PageType::FMap ||
                   type == PageType::FPMap;
  EXPECT_EQ(load16(t + pagetrailer::kSig), map ? 0 : computeSig(ib, expectedBid))
      << "page at " << ib;
  return page;
}

struct TreeWalk {
  RawFile& file;
  PageType type;
  std::size_t leafEntrySize;
  std::vector<Extent>& extents;
  std::set<std::uint64_t>& pageBids;
  std::vector<std::vector<std::uint8_t>> leafEntries;
  std::uint64_t lastKey = 0;
  bool haveKey = false;
  int depth = 0;

  // Returns the first key under the page.
  std::uint64_t walk(std::uint64_t bid, std::uint64_t ib, int expectedLevel, bool isRoot) {
    auto page = readPage(file, ib, type, bid);
    extents.push_back({ib, kPageSize, "B-tree page"});
    EXPECT_TRUE(pageBids.insert(bid).second) << "page BID used twice: " << bid;
    const int level = page[btpage::kCLevel];
    if (isRoot) depth = level + 1;
    if (expectedLevel >= 0) {
      EXPECT_EQ(level, expectedLevel) << "page at " << ib;
    }
    const std::size_t count = page[btpage::kCEnt];
    const std::size_t cbEnt = level == 0 ? leafEntrySize : btpage::kBtEntrySize;
    const std::size_t max = cbEnt == 32 ? btpage::kMaxEntries32 : btpage::kMaxEntries24;
    EXPECT_EQ(page[btpage::kCbEnt], cbEnt) << "page at " << ib;
    EXPECT_EQ(page[btpage::kCEntMax], max) << "page at " << ib;
    EXPECT_LE(count, max) << "page at " << ib;
    if (!isRoot) {
      EXPECT_GT(count, 0u) << "empty non-root page at " << ib;
    }
    std::uint64_t first = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint8_t* e = &page[i * cbEnt];
      const std::uint64_t key = load64(e);
      if (i == 0) first = key;
      if (level == 0) {
        if (haveKey) {
          EXPECT_GT(key, lastKey) << "keys out of order in page at " << ib;
        }
        lastKey = key;
        haveKey = true;
        leafEntries.emplace_back(e, e + cbEnt);
      } else {
        const std::uint64_t childFirst = walk(load64(e + 8), load64(e + 16), level - 1, false);
        EXPECT_EQ(key, childFirst) << "btkey differs from the child's first key, page at " << ib;
      }
    }
    return first;
  }
};

}  // namespace

NdbLayout checkNdbLayout(const std::filesystem::path& path, bool exactMaps) {
  NdbLayout out;
  RawFile f(path);
  const auto h = f.read(0, kHeaderSize);
  EXPECT_TRUE(std::equal(h.begin(), h.begin() + 4, header::kMagicBytes));
  EXPECT_TRUE(pst::headerCrcsMatch(h)) << "header CRCs";
  EXPECT_EQ(load16(&h[header::kVer]), 23);
  EXPECT_EQ(load16(&h[header::kVerClient]), 19);
  EXPECT_EQ(h[header::kSentinel], 0x80);
  EXPECT_EQ(h[header::kAMapValid], 0x02);
  const pst::Header hf = pst::decodeHeader(h);
  out.unique = hf.unique;
  out.fileEof = hf.fileEof;
  EXPECT_GE(f.size(), hf.fileEof);
  EXPECT_EQ((hf.fileEof - kFirstAMapOffset) % kAMapInterval, 0u) << "file not in whole intervals";
  const std::uint64_t n = (hf.fileEof - kFirstAMapOffset) / kAMapInterval;
  out.intervals = n;
  EXPECT_EQ(hf.amapLast, amapOffset(n - 1));
  EXPECT_EQ(hf.pmapFree, 0u);

  std::vector<Extent> extents;
  std::set<std::uint64_t> pageBids;
  std::vector<std::vector<std::uint8_t>> amaps(n);
  std::vector<std::uint64_t> fmapIntervals;
  for (std::uint64_t k = 0; k < n; ++k) {
    amaps[k] = readPage(f, amapOffset(k), PageType::AMap, amapOffset(k));
    extents.push_back({amapOffset(k), kPageSize, "AMap"});
    auto allOnes = [](const std::vector<std::uint8_t>& p) {
      return std::all_of(p.begin(), p.begin() + kPageDataSize, [](auto b) { return b == 0xFF; });
    };
    if (hasPMap(k)) {
      EXPECT_TRUE(allOnes(readPage(f, pmapOffset(k), PageType::PMap, pmapOffset(k))));
      extents.push_back({pmapOffset(k), kPageSize, "PMap"});
    }
    if (hasFMap(k)) {
      fmapIntervals.push_back(k);
      extents.push_back({fmapOffset(k), kPageSize, "FMap"});
    }
    if (hasFPMap(k)) {
      EXPECT_TRUE(allOnes(readPage(f, fmapOffset(k), PageType::FPMap, fmapOffset(k))));
      extents.push_back({fmapOffset(k), kPageSize, "FPMap"});
    }
  }
  const auto dlist = f.read(kDListOffset, kPageSize);
  const std::uint64_t dlistBid = load64(&dlist[pagetrailer::kBid]);
  readPage(f, kDListOffset, PageType::DList, dlistBid);
  pageBids.insert(dlistBid);

  TreeWalk nbt{f, PageType::Nbt, btpage::kNbtEntrySize, extents, pageBids, {}, 0, false, 0};
  nbt.walk(hf.nbt.bid, hf.nbt.ib, -1, true);
  TreeWalk bbt{f, PageType::Bbt, btpage::kBbtEntrySize, extents, pageBids, {}, 0, false, 0};
  bbt.walk(hf.bbt.bid, hf.bbt.ib, -1, true);
  out.nbtDepth = nbt.depth;
  out.bbtDepth = bbt.depth;
  out.nodes = nbt.leafEntries.size();
  out.blocks = bbt.leafEntries.size();
  out.btPages = pageBids.size() - 1;

  // Blocks: trailers, and the references that internal blocks hold.
  std::map<std::uint64_t, std::uint32_t> refs;  // bid -> references found
  std::map<std::uint64_t, std::uint16_t> cRefs;
  for (const auto& e : bbt.leafEntries) {
    const std::uint64_t bid = load64(&e[0]), ib = load64(&e[8]);
    const std::uint16_t cb = load16(&e[16]);
    cRefs[bid] = load16(&e[18]);
    EXPECT_EQ(bid & 1, 0u);
    EXPECT_FALSE(pageBids.count(bid)) << "block BID " << bid << " is also a page BID";
    EXPECT_LT(bid, hf.bidNextB);
    EXPECT_EQ(ib % kBlockAlign, 0u) << "block " << bid;
    EXPECT_LE(cb, kMaxBlockData);
    const std::uint64_t disk = blockDiskSize(cb);
    extents.push_back({ib, disk, "block"});
    const auto b = f.read(ib, disk);
    const std::uint8_t* t = &b[disk - kBlockTrailerSize];
    EXPECT_EQ(load16(t + blocktrailer::kCb), cb) << "block " << bid;
    EXPECT_EQ(load16(t + blocktrailer::kSig), computeSig(ib, bid)) << "block " << bid;
    EXPECT_EQ(load32(t + blocktrailer::kCrc), computeCrc({b.data(), cb})) << "block " << bid;
    EXPECT_EQ(load64(t + blocktrailer::kBid), bid) << "block " << bid;
    EXPECT_TRUE(
        std::all_of(b.begin() + cb, b.end() - kBlockTrailerSize, [](auto x) { return x == 0; }))
        << "padding of block " << bid;
    if (isInternalBid(bid)) {
      const std::size_t count = load16(&b[2]);
      if (b[0] == kBlockTypeData) {
        for (std::size_t i = 0; i < count; ++i) ++refs[load64(&b[8 + 8 * i])];
      } else if (b[0] == kBlockTypeSubnode && b[1] == 0) {
        for (std::size_t i = 0; i < count; ++i) {
          ++refs[load64(&b[8 + 24 * i + 8])];
          if (const auto sub = load64(&b[8 + 24 * i + 16])) ++refs[sub];
        }
      } else if (b[0] == kBlockTypeSubnode && b[1] == 1) {
        for (std::size_t i = 0; i < count; ++i) ++refs[load64(&b[8 + 16 * i + 8])];
      } else {
        ADD_FAILURE() << "unknown internal block " << bid;
      }
    }
  }
  for (const auto& e : nbt.leafEntries) {
    const std::uint32_t nid = load32(&e[0]);
    EXPECT_EQ(load32(&e[4]), 0u);
    EXPECT_GE(hf.rgnid[nid & 0x1F], nid >> 5) << "counter below node " << nid;
    if (const auto data = load64(&e[8])) ++refs[data];
    if (const auto sub = load64(&e[16])) ++refs[sub];
  }
  for (const auto& [bid, count] : refs) {
    if (!cRefs.count(bid)) {
      ADD_FAILURE() << "reference to missing block " << bid;
      continue;
    }
    EXPECT_EQ(cRefs[bid], count + 1) << "cRef of block " << bid;
  }
  for (const auto& [bid, cRef] : cRefs) {
    EXPECT_TRUE(refs.count(bid)) << "block " << bid << " is referenced by nothing";
  }
  for (std::uint64_t pageBid : pageBids) EXPECT_LT(pageBid, hf.bidNextP);

  // Extents: inside one interval, clear of each other, below the end of file.
  std::sort(extents.begin(), extents.end(),
            [](const Extent& a, const Extent& b) { return a.offset < b.offset; });
  std::vector<std::vector<std::uint8_t>> expected(n, std::vector<std::uint8_t>(kPageDataSize, 0));
  for (std::size_t i = 0; i < extents.size(); ++i) {
    const Extent& x = extents[i];
    if (i > 0) {
      EXPECT_LE(extents[i - 1].offset + extents[i - 1].size, x.offset)
          << extents[i - 1].what << " overlaps " << x.what << " at " << x.offset;
    }
    EXPECT_GE(x.offset, kFirstAMapOffset);
    EXPECT_LE(x.offset + x.size, hf.fileEof) << x.what << " past the end of file";
    const std::uint64_t k = intervalOf(x.offset);
    EXPECT_EQ(k, intervalOf(x.offset + x.size - 1)) << x.what << " crosses an interval";
    if (k >= n) continue;
    for (std::uint64_t s = (x.offset - intervalStart(k)) / kSlotSize,
                       e = s + (x.size + kSlotSize - 1) / kSlotSize;
         s < e; ++s) {
      expected[k][s / 8] |= static_cast<std::uint8_t>(0x80 >> (s % 8));
    }
  }
  std::uint64_t freeSlots = 0;
  for (std::uint64_t k = 0; k < n; ++k) {
    for (std::size_t i = 0; i < kPageDataSize; ++i) {
      const std::uint8_t have = amaps[k][i], want = expected[k][i];
      if (exactMaps) {
        EXPECT_EQ(have, want) << "AMap " << k << " byte " << i;
      } else {
        EXPECT_EQ(have & want, want) << "AMap " << k << " misses a used slot, byte " << i;
      }
      freeSlots += 8 - static_cast<std::uint64_t>(__builtin_popcount(have));
    }
  }
  out.freeBytes = freeSlots * kSlotSize;
  EXPECT_EQ(hf.amapFree, out.freeBytes) << "cbAMapFree";
  for (std::uint64_t k = 0; k < kRgbFMEntries; ++k) {
    const std::uint64_t want =
        k < n ? std::min<std::uint64_t>(longestRun(amaps[k].data()), 255) : 0;
    EXPECT_EQ(hf.rgbFM[k], want) << "rgbFM[" << k << "]";
  }
  EXPECT_TRUE(std::all_of(hf.rgbFP.begin(), hf.rgbFP.end(), [](auto b) { return b == 0xFF; }));
  for (std::uint64_t fk : fmapIntervals) {
    const auto page = readPage(f, fmapOffset(fk), PageType::FMap, fmapOffset(fk));
    for (std::uint64_t j = 0; j < kPageDataSize; ++j) {
      const std::uint64_t k = fk + j;
      const std::uint64_t want =
          k < n ? std::min<std::uint64_t>(longestRun(amaps[k].data()), 255) : 0;
      EXPECT_EQ(page[j], want) << "FMap at interval " << fk << " entry " << j;
    }
  }
  return out;
}

}  // namespace mailferry::testing
