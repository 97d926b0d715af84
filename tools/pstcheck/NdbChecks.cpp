// Checks of the node database ([MS-PST] 2.2): header fields against the file, every page's
// and block's trailer, B-tree order and levels, block references and reference counts, and
// the allocation maps against what the file really uses.
#include <algorithm>
#include <set>
#include <vector>

#include "pst/ndb/Format.h"
#include "tools/pstcheck/CheckContext.h"

namespace mailferry::pstcheck {

namespace {

namespace fmt = pst::format;
using pst::le16;
using pst::le32;
using pst::le64;

// One bit per 64-byte slot of the checked intervals, MSB-first like an AMap.
class SlotMap {
 public:
  explicit SlotMap(std::uint64_t intervals)
      : bits_(intervals * fmt::kSlotsPerInterval, false), owner_(bits_.size(), 0) {}

  // Marks [offset, offset + size), inside the checked intervals, as used by `what`; an
  // overlap is reported.
  void use(CheckContext& c, std::uint64_t offset, std::uint64_t size, const std::string& what) {
    const std::uint64_t first = (offset - fmt::kFirstAMapOffset) / fmt::kSlotSize;
    const std::uint64_t count = (size + fmt::kSlotSize - 1) / fmt::kSlotSize;
    for (std::uint64_t s = first; s < first + count; ++s) {
      if (bits_[s]) {
        c.report(what + " at " + hex(offset) + " overlaps another page or block at " +
                     hex(fmt::kFirstAMapOffset + owner_[s] * fmt::kSlotSize),
                 offset);
        return;
      }
      bits_[s] = true;
      owner_[s] = first;
    }
  }
  bool used(std::uint64_t slot) const { return bits_[slot]; }

 private:
  std::vector<bool> bits_;
  std::vector<std::uint64_t> owner_;
};

bool bitSet(std::span<const std::uint8_t> bytes, std::uint64_t bit) {
  return (bytes[bit / 8] & (0x80 >> (bit % 8))) != 0;
}

std::size_t zeroBits(std::span<const std::uint8_t> bytes) {
  std::size_t zeros = 0;
  for (std::uint8_t b : bytes) zeros += 8 - static_cast<std::size_t>(__builtin_popcount(b));
  return zeros;
}

// A map page's trailer: its type, a zero signature, the CRC, and its own offset as bid.
std::vector<std::uint8_t> readMapPage(const CheckContext& c, std::uint64_t offset,
                                      fmt::PageType type, const char* name) {
  const auto page = c.ndb->readRaw(offset, fmt::kPageSize);
  const std::span<const std::uint8_t> p(page);
  const auto want = static_cast<std::uint8_t>(type);
  if (p[fmt::pagetrailer::kPtype] != want || p[fmt::pagetrailer::kPtypeRepeat] != want)
    c.fail(std::string(name) + " page: page type " + hex(p[fmt::pagetrailer::kPtype]) +
               ", expected " + hex(want),
           offset);
  if (le16(p, fmt::pagetrailer::kSig) != 0)
    c.fail(std::string(name) + " page: signature must be 0, is " +
               hex(le16(p, fmt::pagetrailer::kSig)),
           offset);
  const std::uint32_t crc = fmt::computeCrc(p.first(fmt::kPageDataSize));
  if (le32(p, fmt::pagetrailer::kCrc) != crc)
    c.fail(std::string(name) + " page: trailer CRC " + hex(le32(p, fmt::pagetrailer::kCrc)) +
               ", computed " + hex(crc),
           offset);
  if (le64(p, fmt::pagetrailer::kBid) != offset)
    c.fail(std::string(name) + " page: trailer bid " + hex(le64(p, fmt::pagetrailer::kBid)) +
               " is not the page's own offset",
           offset);
  return page;
}

}  // namespace

void checkHeaderAgainstFile(CheckContext& c) {
  const auto& h = c.header;
  const std::uint64_t size = c.fileSize;
  const std::size_t before = c.findings.size();
  if (h.fileEof < size)
    c.report("header ibFileEof " + hex(h.fileEof) + " differs from the file size " + hex(size) +
                 ": " + std::to_string(size - h.fileEof) +
                 " bytes follow the end the header records (an interrupted write?)",
             fmt::header::kFileEof);
  if (h.fileEof > size)
    c.report("header ibFileEof " + hex(h.fileEof) + " differs from the file size " + hex(size) +
                 ": the file lacks " + std::to_string(h.fileEof - size) +
                 " bytes the header records (truncated?)",
             fmt::header::kFileEof);
  // The checks below keep to what the header records and the file still holds.
  c.extent = std::min(h.fileEof, size);
  if (c.extent < fmt::fileSizeFor(1) ||
      (c.extent - fmt::kFirstAMapOffset) % fmt::kAMapInterval != 0)
    c.report("end of file " + hex(c.extent) + " does not fall on an AMap interval boundary",
             fmt::header::kFileEof);
  c.intervals =
      c.extent < fmt::fileSizeFor(1) ? 0 : (c.extent - fmt::kFirstAMapOffset) / fmt::kAMapInterval;
  const std::uint64_t headerIntervals =
      h.fileEof < fmt::fileSizeFor(1) ? 0
                                      : (h.fileEof - fmt::kFirstAMapOffset) / fmt::kAMapInterval;
  if (headerIntervals == 0 || h.amapLast != fmt::amapOffset(headerIntervals - 1))
    c.report("header ibAMapLast " + hex(h.amapLast) + " is not the last AMap before ibFileEof",
             fmt::header::kAMapLast);
  if (h.amapValid != fmt::header::kAMapValid2)
    c.report("header fAMapValid is " + hex(h.amapValid) + ", expected 0x02 (VALID_AMAP2)",
             fmt::header::kAMapValid);
  if (c.findings.size() == before)
    c.note("header: ibFileEof = file size on an interval boundary, ibAMapLast, fAMapValid");
}

namespace {

// What the node-database checks share: the B-tree pages, the nodes and blocks, and the
// internal blocks' bytes.
struct NodeDatabaseView {
  std::vector<pst::ndbread::PageVisit> pages;
  std::vector<pst::NodeEntry> nodes;
  std::vector<pst::BlockEntry> blocks;
  std::map<Bid, std::vector<std::uint8_t>> internal;
};

pst::ndbread::RawRead rawReader(const CheckContext& c) {
  return [&c](std::uint64_t o, std::size_t n) { return c.ndb->readRaw(o, n); };
}

// Both B-trees again, this time keeping every page and where each entry lies; pages past the
// recorded end of the file are faults.
void walkBothTrees(CheckContext& c, NodeDatabaseView& v) {
  const std::uint64_t size = c.extent;
  const auto read = rawReader(c);
  const auto onPage = [&v](const pst::ndbread::PageVisit& p) { v.pages.push_back(p); };
  pst::ndbread::walkBTree(read, c.path, size, pst::ndbread::TreeKind::Blocks, c.header.bbt, onPage,
                          [&c](std::span<const std::uint8_t> e, std::uint64_t at) {
                            c.bbtEntryOffset[le64(e, 0) & ~Bid{1}] = at;
                          });
  pst::ndbread::walkBTree(read, c.path, size, pst::ndbread::TreeKind::Nodes, c.header.nbt, onPage,
                          [&c](std::span<const std::uint8_t> e, std::uint64_t at) {
                            c.nbtEntryOffset[le32(e, 0)] = at;
                          });
  c.summary.pages = v.pages.size();
  c.note("NBT and BBT: " + std::to_string(v.pages.size()) +
         " pages with valid type, signature, CRC, bid, cbEnt, cEntMax, cLevel; keys ascending "
         "within and across pages; intermediate keys equal to their child's first key");
}

// Page and block BIDs against the header's counters.
void checkBidCounters(CheckContext& c, const NodeDatabaseView& v) {
  const auto& h = c.header;
  const auto& pages = v.pages;
  const auto& blocks = v.blocks;
  for (const auto& p : pages)
    if (p.bid >= h.bidNextP)
      c.report("page bid " + hex(p.bid) + " is not below the header's bidNextP " + hex(h.bidNextP),
               p.offset);
  for (const auto& b : blocks)
    if (b.bid >= h.bidNextB)
      c.report("block bid " + hex(b.bid) + " is not below the header's bidNextB " + hex(h.bidNextB),
               c.bbtEntryOffset[b.bid]);
  c.note("bidNextP above every page BID, bidNextB above every block BID");
}

// Every block's trailer; keeps the internal blocks' bytes for the reference checks.
void checkBlockTrailers(CheckContext& c, NodeDatabaseView& v) {
  const auto read = rawReader(c);
  const auto& blocks = v.blocks;
  auto& internal = v.internal;
  for (const auto& b : blocks)
    c.attempt([&] {
      auto bytes = pst::ndbread::readStoredBlock(read, c.path, b);
      if (fmt::isInternalBid(b.bid)) internal.emplace(b.bid, std::move(bytes));
    });
  c.note("blocks: " + std::to_string(blocks.size()) +
         " trailers (cb, signature, CRC over the stored bytes, bid), 64-byte alignment, size");
}

// The references between nodes and blocks, and each block's cRef against them.
void checkReferences(CheckContext& c, NodeDatabaseView& v) {
  const auto& nodes = v.nodes;
  const auto& blocks = v.blocks;
  auto& internal = v.internal;
  std::map<Bid, std::uint32_t> refs;
  const auto reference = [&](Bid bid, std::uint64_t from, const std::string& what) {
    if (bid == 0) return;
    if (!c.ndb->block(bid))
      c.report(what + " refers to block " + hex(bid) + ", which is not in the BBT", from);
    ++refs[fmt::bidKey(bid)];
  };
  for (const auto& n : nodes) {
    const std::uint64_t at = c.nodeOffset(n.nid);
    reference(n.data, at, "node " + hex(n.nid) + " bidData");
    reference(n.sub, at, "node " + hex(n.nid) + " bidSub");
    const auto dataBlock = internal.find(fmt::bidKey(n.data));
    if (n.data != 0 && fmt::isInternalBid(n.data) && dataBlock != internal.end() &&
        !dataBlock->second.empty() && dataBlock->second[0] != fmt::kBlockTypeData)
      c.report("node " + hex(n.nid) + " bidData " + hex(n.data) + " is not a data tree", at);
    if (n.sub != 0 && !fmt::isInternalBid(n.sub))
      c.report("node " + hex(n.nid) + " bidSub " + hex(n.sub) + " is not a subnode block", at);
  }
  for (const auto& [bid, bytes] : internal) {
    const std::uint64_t at = c.blockOffset(bid);
    if (bytes.size() < fmt::kInternalBlockHeader) {
      c.report("internal block " + hex(bid) + " shorter than its header", at);
      continue;
    }
    const std::uint16_t count = le16(bytes, 2);
    const bool data = bytes[0] == fmt::kBlockTypeData;
    const bool sub = bytes[0] == fmt::kBlockTypeSubnode;
    if (!data && !sub) {
      c.report("internal block " + hex(bid) + " has btype " + hex(bytes[0]), at);
      continue;
    }
    const std::size_t entrySize = data ? 8 : (bytes[1] == 0 ? 24 : 16);
    if (fmt::kInternalBlockHeader + count * entrySize > bytes.size()) {
      c.report("internal block " + hex(bid) + ": " + std::to_string(count) +
                   " entries do not fit its " + std::to_string(bytes.size()) + " bytes",
               at);
      continue;
    }
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t e = fmt::kInternalBlockHeader + i * entrySize;
      const std::string what = "block " + hex(bid) + " entry " + std::to_string(i);
      if (data) {
        reference(le64(bytes, e), at, what);
      } else if (bytes[1] == 0) {
        reference(le64(bytes, e + 8), at, what + " bidData");
        reference(le64(bytes, e + 16), at, what + " bidSub");
      } else {
        reference(le64(bytes, e + 8), at, what);
      }
    }
  }
  // Outlook's own file holds one block that nothing refers to, left with cRef 1 after its last
  // user went away; such a block is harmless, a second one would point at a leak.
  std::size_t orphans = 0;
  for (const auto& b : blocks) {
    const std::uint32_t users = refs.count(b.bid) ? refs[b.bid] : 0;
    if (users == 0 && b.refCount == 1 && ++orphans == 1) continue;
    if (b.refCount != users + 1)
      c.report("block " + hex(b.bid) + " has cRef " + std::to_string(b.refCount) + " but " +
                   std::to_string(users) + " references (expected cRef " +
                   std::to_string(users + 1) + ")",
               c.bbtEntryOffset[b.bid]);
  }
  c.note("references: every referenced block present, cRef = 1 + references (" +
         std::to_string(orphans) + " orphan block with cRef 1 tolerated)");
}

// Every data tree and subnode tree, read and checked through the reader, and the node id
// counters against every id in use.
void checkDataAndSubnodeTrees(CheckContext& c, const NodeDatabaseView& v) {
  const auto& h = c.header;
  const auto& nodes = v.nodes;
  // Subnodes nest (attachments, embedded messages); a subnode tree that contains itself would
  // never end, and one reached twice from the same node (even without a loop) could be walked
  // an exponential number of times.
  constexpr int kMaxSubnodeDepth = 64;
  std::vector<std::pair<Nid, Nid>> usedNids;  // (nid, owning top-level node)
  std::set<Bid> walked;                       // the subnode blocks of the current node
  std::function<void(Bid, Nid, int)> walkSubnodes = [&](Bid sub, Nid owner, int depth) {
    if (sub == 0) return;
    if (!walked.insert(sub).second)
      c.fail(
          "subnode tree " + hex(sub) + " is reached twice from node " + hex(owner) + " (a loop?)",
          c.nodeOffset(owner));
    if (depth > kMaxSubnodeDepth)
      c.fail("subnode trees of node " + hex(owner) + " nest deeper than " +
                 std::to_string(kMaxSubnodeDepth) + " levels (a loop?)",
             c.nodeOffset(owner));
    for (const auto& s : c.ndb->readSubnodes(sub)) {
      if (s.data == 0)
        c.fail("subnode " + hex(s.nid) + " of node " + hex(owner) + " has no data",
               c.nodeOffset(owner));
      c.ndb->readLeaves(s.data);
      usedNids.push_back({s.nid, owner});
      c.objects.push_back({s.nid, {s.data, s.sub}, owner});
      walkSubnodes(s.sub, owner, depth + 1);
    }
  };
  for (const auto& n : nodes) {
    usedNids.push_back({n.nid, n.nid});
    c.objects.push_back({n.nid, {n.data, n.sub}, 0});
    walked.clear();
    c.attempt([&] {
      c.ndb->readLeaves(n.data);
      walkSubnodes(n.sub, n.nid, 0);
    });
  }
  c.note(
      "data trees (XBLOCK/XXBLOCK levels and lcbTotal) and subnode trees (SLBLOCK/SIBLOCK "
      "levels and order) of every node");

  // Node id counters: each at least every index in use for its type.
  for (const auto& [nid, owner] : usedNids) {
    const auto type = static_cast<std::size_t>(nid & 0x1F);
    if (pst::nidIndex(nid) > h.rgnid[type])
      c.report("node id " + hex(nid) + " (of node " + hex(owner) + ") has index " +
                   hex(pst::nidIndex(nid)) + " above the header's rgnid[" + hex(type) + "] " +
                   hex(h.rgnid[type]),
               fmt::header::kRgnid + 4 * type);
  }
  c.note("rgnid[] at least every node index in use (" + std::to_string(usedNids.size()) +
         " node and subnode ids)");
}

// The slots of the checked intervals that the map pages, the B-tree pages and the blocks use.
SlotMap usedSlots(CheckContext& c, const NodeDatabaseView& v) {
  const std::uint64_t size = fmt::fileSizeFor(c.intervals);
  const auto& pages = v.pages;
  const auto& blocks = v.blocks;
  const std::uint64_t intervals = c.intervals;
  SlotMap used(intervals);
  for (std::uint64_t k = 0; k < intervals; ++k) {
    used.use(c, fmt::amapOffset(k), fmt::kPageSize, "AMap page");
    if (fmt::hasPMap(k)) used.use(c, fmt::pmapOffset(k), fmt::kPageSize, "PMap page");
    if (fmt::hasFMap(k) || fmt::hasFPMap(k))
      used.use(c, fmt::fmapOffset(k), fmt::kPageSize, fmt::hasFMap(k) ? "FMap page" : "FPMap page");
  }
  for (const auto& p : pages)
    if (p.offset >= fmt::kFirstAMapOffset && p.offset + fmt::kPageSize <= size)
      used.use(c, p.offset, fmt::kPageSize, "B-tree page");
  for (const auto& b : blocks) {
    const std::uint64_t disk = fmt::blockDiskSize(b.size);
    if (b.offset < fmt::kFirstAMapOffset || b.offset > size || disk > size - b.offset) {
      c.report("block " + hex(b.bid) + " at " + hex(b.offset) +
                   " lies outside the allocation map intervals the file holds",
               b.offset);
      continue;
    }
    const std::uint64_t k = fmt::intervalOf(b.offset);
    if (fmt::intervalOf(b.offset + disk - 1) != k || b.offset < fmt::mapPagesEnd(k)) {
      c.report("block " + hex(b.bid) + " at " + hex(b.offset) + " crosses an allocation map slot",
               b.offset);
      continue;
    }
    used.use(c, b.offset, disk, "block " + hex(b.bid));
  }
  return used;
}

// The density list page, outside the mapped area.
void checkDensityList(const CheckContext& c) {
  const auto page = c.ndb->readRaw(fmt::kDListOffset, fmt::kPageSize);
  const std::span<const std::uint8_t> p(page);
  const Bid bid = le64(p, fmt::pagetrailer::kBid);
  if (p[fmt::pagetrailer::kPtype] != static_cast<std::uint8_t>(fmt::PageType::DList) ||
      p[fmt::pagetrailer::kPtypeRepeat] != p[fmt::pagetrailer::kPtype] ||
      le16(p, fmt::pagetrailer::kSig) != fmt::computeSig(fmt::kDListOffset, bid) ||
      le32(p, fmt::pagetrailer::kCrc) != fmt::computeCrc(p.first(fmt::kPageDataSize)))
    c.fail("density list page: bad trailer (type, signature or CRC)", fmt::kDListOffset);
  if (p[fmt::dlist::kCEnt] > fmt::dlist::kMaxEntries)
    c.fail("density list page: cEntDList above 119", fmt::kDListOffset + fmt::dlist::kCEnt);
}

// Gathers neighbouring slots of one AMap whose bits are wrong the same way into one finding.
class SlotRuns {
 public:
  enum class Fault { None, ClearButUsed, SetButUnused };
  SlotRuns(CheckContext& c, std::uint64_t amapAt) : c_(c), amapAt_(amapAt) {}

  // Slot s of the interval has `fault`; slots come in order.
  void slot(std::uint64_t s, Fault fault) {
    if (fault == fault_ && fault != Fault::None) return;
    if (fault_ != Fault::None) flush(s);
    fault_ = fault;
    first_ = s;
  }

 private:
  void flush(std::uint64_t end) {
    const std::uint64_t from = amapAt_ + first_ * fmt::kSlotSize;
    const std::string slots =
        end - first_ == 1 ? "AMap bit for slot " + hex(from) + " is"
                          : "AMap bits for the " + std::to_string(end - first_) + " slots from " +
                                hex(from) + " to " + hex(amapAt_ + end * fmt::kSlotSize) + " are";
    c_.report(slots + (fault_ == Fault::ClearButUsed ? " clear, but a page or block uses that slot"
                                                     : " set, but no page or block uses that slot"),
              amapAt_ + first_ / 8);
  }

  CheckContext& c_;
  std::uint64_t amapAt_;
  Fault fault_ = Fault::None;
  std::uint64_t first_ = 0;
};

// The allocation maps at their fixed places against the slots in use, and the header's
// free-space counts against the maps.
void checkAllocationMaps(CheckContext& c, const SlotMap& used) {
  const auto& h = c.header;
  const std::uint64_t intervals = c.intervals;
  bool mapsRead = true;
  std::uint64_t amapZeros = 0;
  std::uint64_t pmapZeros = 0;
  std::vector<std::uint8_t> pmap;  // the PMap covering the current group of 8 intervals
  std::uint64_t pmapBase = 0;
  std::uint64_t reserved = 0;
  for (std::uint64_t k = 0; k < intervals; ++k) {
    if (fmt::hasPMap(k)) {
      pmap.clear();
      pmapBase = fmt::intervalStart(k);
      if (!c.attempt(
              [&] { pmap = readMapPage(c, fmt::pmapOffset(k), fmt::PageType::PMap, "PMap"); }))
        mapsRead = false;
      pmap.resize(fmt::kPageDataSize);
      // Only the part of the PMap that covers existing intervals counts as free.
      const std::uint64_t covered = std::min<std::uint64_t>(intervals - k, fmt::kPMapEvery);
      pmapZeros += zeroBits(std::span<const std::uint8_t>(pmap).first(covered * fmt::kAMapInterval /
                                                                      fmt::kPageSize / 8));
    }
    if (fmt::hasFMap(k))
      c.attempt([&] { readMapPage(c, fmt::fmapOffset(k), fmt::PageType::FMap, "FMap"); });
    if (fmt::hasFPMap(k))
      c.attempt([&] { readMapPage(c, fmt::fmapOffset(k), fmt::PageType::FPMap, "FPMap"); });
    const std::uint64_t amapAt = fmt::amapOffset(k);
    std::vector<std::uint8_t> amap;
    if (!c.attempt([&] { amap = readMapPage(c, amapAt, fmt::PageType::AMap, "AMap"); })) {
      mapsRead = false;
      continue;
    }
    const std::span<const std::uint8_t> bits =
        std::span<const std::uint8_t>(amap).first(fmt::kPageDataSize);
    amapZeros += zeroBits(bits);
    // A wrong bit is reported once per run of neighbouring slots wrong the same way.
    SlotRuns wrong(c, amapAt);
    for (std::uint64_t s = 0; s < fmt::kSlotsPerInterval; ++s) {
      const std::uint64_t slot = k * fmt::kSlotsPerInterval + s;
      const std::uint64_t slotOffset = amapAt + s * fmt::kSlotSize;
      const bool allocated = bitSet(bits, s);
      SlotRuns::Fault fault = SlotRuns::Fault::None;
      if (used.used(slot) && !allocated) fault = SlotRuns::Fault::ClearButUsed;
      if (!used.used(slot) && allocated) {
        // A page reserved for later page allocation: allocated in the AMap, 0 in the PMap.
        const std::uint64_t page = (slotOffset - pmapBase) / fmt::kPageSize;
        if (pmap.empty() || bitSet(pmap, page))
          fault = SlotRuns::Fault::SetButUnused;
        else
          ++reserved;
      }
      wrong.slot(s, fault);
    }
    wrong.slot(fmt::kSlotsPerInterval, SlotRuns::Fault::None);
  }
  if (!mapsRead) return;
  if (h.amapFree != amapZeros * fmt::kSlotSize)
    c.report("header cbAMapFree " + hex(h.amapFree) + ", the AMaps have " +
                 std::to_string(amapZeros) + " free slots (" + hex(amapZeros * fmt::kSlotSize) +
                 ")",
             fmt::header::kAMapFree);
  if (h.pmapFree != pmapZeros * fmt::kPageSize)
    c.report("header cbPMapFree " + hex(h.pmapFree) + ", the PMaps have " +
                 std::to_string(pmapZeros) + " free pages (" + hex(pmapZeros * fmt::kPageSize) +
                 ")",
             fmt::header::kPMapFree);
  c.note("allocation maps: " + std::to_string(intervals) +
         " AMap(s) and their PMap/FMap/FPMap pages at their fixed places with valid trailers; "
         "every used slot allocated, no block crossing a map slot, no overlap; " +
         std::to_string(reserved) +
         " extra allocated slots all reserved through a PMap 0-bit; "
         "cbAMapFree and cbPMapFree match the maps; density list trailer");
}

}  // namespace

void checkNodeDatabase(CheckContext& c) {
  NodeDatabaseView view;
  const bool treesWhole = c.attempt([&] { walkBothTrees(c, view); });
  view.nodes = c.ndb->nodes();
  view.blocks = c.ndb->blocks();
  c.summary.nodes = view.nodes.size();
  c.summary.blocks = view.blocks.size();
  checkBidCounters(c, view);
  checkBlockTrailers(c, view);
  checkReferences(c, view);
  checkDataAndSubnodeTrees(c, view);
  c.attempt([&] { checkDensityList(c); });
  // Without every B-tree page the slots in use are not known.
  if (treesWhole) checkAllocationMaps(c, usedSlots(c, view));
}

}  // namespace mailferry::pstcheck
