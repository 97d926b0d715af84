// Writing a node database: blocks appended as they come, reference counts, and the commit
// that writes B-tree pages, maps and header so that the file is valid after each one.
#include "pst/ndb/NodeDatabase.h"

#include <algorithm>
#include <random>
#include <utility>

#include "pst/PstError.h"
#include "pst/ndb/Header.h"
#include "pst/ndb/InternalBlocks.h"
#include "pst/ndb/NodeDatabaseImpl.h"
#include "pst/ndb/Pages.h"

namespace mailferry::pst {

using namespace format;

namespace {

// Start values of the rgnid counters for a blank file ([MS-PST] 2.2.2.6).
std::array<std::uint32_t, header::kNidCounters> initialNidCounters() {
  std::array<std::uint32_t, header::kNidCounters> c;
  c.fill(0x400);
  c[static_cast<int>(NidType::SearchFolder)] = 0x4000;
  c[static_cast<int>(NidType::NormalMessage)] = 0x10000;
  c[static_cast<int>(NidType::AssocMessage)] = 0x8000;
  for (NidType t :
       {NidType::SearchUpdateQueue, NidType::SearchCriteriaObject, NidType::SearchContentsTable}) {
    c[static_cast<int>(t)] = c[static_cast<int>(NidType::SearchFolder)];
  }
  return c;
}

// Outlook gives a folder's tables the folder's own index, so it keeps these counters equal.
std::vector<int> nidCounterGroup(std::uint32_t type) {
  static const std::vector<int> folder = {0x02, 0x0D, 0x0E, 0x0F};
  static const std::vector<int> search = {0x03, 0x06, 0x07, 0x10};
  if (std::find(folder.begin(), folder.end(), type) != folder.end()) return folder;
  if (std::find(search.begin(), search.end(), type) != search.end()) return search;
  return {static_cast<int>(type)};
}

// Finishes a block laid out by appendBlock, on the file's writer thread: encodes its data
// unless it is an internal block ([MS-PST] 5.1) and stores the CRC of the bytes as stored
// ([MS-PST] 2.2.2.8.1).
void sealBlock(std::span<std::uint8_t> area, CryptMethod crypt) {
  std::uint8_t* t = area.data() + area.size() - kBlockTrailerSize;
  const std::size_t cb = load16(t + blocktrailer::kCb);
  const std::span<std::uint8_t> stored = area.first(cb);
  if (!isInternalBid(load64(t + blocktrailer::kBid)) && crypt == CryptMethod::Permute)
    permuteEncode(stored);
  store32(t + blocktrailer::kCrc, computeCrc(stored));
}

// The PMap and FPMap of an interval that has them: pages that never change once written
// ([MS-PST] 2.2.2.7.3, 2.2.2.7.6).
template <class Write>
void forFixedMapPages(std::uint64_t interval, Write write) {
  if (hasPMap(interval))
    write(pmapOffset(interval), fullMapPage(PageType::PMap, pmapOffset(interval)));
  if (hasFPMap(interval))
    write(fmapOffset(interval), fullMapPage(PageType::FPMap, fmapOffset(interval)));
}

}  // namespace

NodeDatabase::Impl::Impl(const std::filesystem::path& path, CryptMethod cryptMethod)
    : file(
          path, [cryptMethod](std::span<std::uint8_t> area) { sealBlock(area, cryptMethod); },
          OutputFile::SyncedPages::Released),
      crypt(cryptMethod),
      rgnid(initialNidCounters()) {
  unique = std::random_device{}();
}

Bid NodeDatabase::Impl::appendBlock(std::span<const std::uint8_t> data, bool internal,
                                    std::uint64_t treeSize) {
  if (data.size() > kMaxBlockData) {
    throw PstError(PstError::Kind::Misuse,
                   "block of " + std::to_string(data.size()) + " bytes exceeds 8176 bytes",
                   file.path().string());
  }
  const Bid bid = internal ? (nextBid | kBidInternal) : nextBid;
  nextBid += kBidStep;
  const std::uint64_t diskSize = blockDiskSize(data.size());
  const std::uint64_t ib = allocate(diskSize, kBlockAlign);
  auto out = file.appendInPlace(ib, diskSize, true);
  std::copy(data.begin(), data.end(), out.begin());
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(data.size()), out.end(), 0);
  // [MS-PST] 2.2.2.8.1 BLOCKTRAILER; the writer thread adds the encoding and the CRC.
  std::uint8_t* t = out.data() + diskSize - kBlockTrailerSize;
  store16(t + blocktrailer::kCb, static_cast<std::uint16_t>(data.size()));
  store16(t + blocktrailer::kSig, computeSig(ib, bid));
  store64(t + blocktrailer::kBid, bid);
  bbt.insertOrAssign(BbtRecord{bid, ib, 0, static_cast<std::uint16_t>(data.size())});
  if (internal) internalTreeSizes.add(bid, treeSize);
  unreferenced.push_back(bid);
  return bid;
}

Bid NodeDatabase::Impl::writeXBlock(std::uint8_t level, std::span<const Bid> children) {
  // Every child is checked before any gets a reference: one lookup each to check, one to count.
  std::uint64_t total = 0;
  for (Bid child : children) {
    const BbtRecord& r = block(child);  // throws for an unknown block
    if (isInternalBid(child) != (level == 2)) {
      throw PstError(PstError::Kind::Misuse, "data tree entry of the wrong kind",
                     file.path().string());
    }
    total += treeSize(r);
  }
  if (total > 0xFFFFFFFFu) {
    throw PstError(PstError::Kind::Misuse, "data stream longer than 4 GB", file.path().string());
  }
  const auto bytes = encodeXBlock(level, children, static_cast<std::uint32_t>(total));
  const Bid bid = appendBlock(bytes, true, total);
  for (Bid child : children) ++bbt.findForUpdate(child)->refs;
  return bid;
}

std::uint64_t NodeDatabase::Impl::treeSize(Bid bid) const {
  return treeSize(block(bid));
}

std::uint64_t NodeDatabase::Impl::treeSize(const BbtRecord& r) const {
  return isInternalBid(r.bid) ? internalTreeSizes.at(r.bid) : r.cb;
}

const BbtRecord& NodeDatabase::Impl::block(Bid bid) const {
  const BbtRecord* r = bbt.find(bid);
  if (!r) {
    throw PstError(PstError::Kind::Misuse,
                   "reference to block " + std::to_string(bid) + ", which does not exist",
                   file.path().string());
  }
  return *r;
}

void NodeDatabase::Impl::addRef(Bid bid) {
  if (bid == 0) return;
  block(bid);  // throws for an unknown block
  ++bbt.findForUpdate(bid)->refs;
}

void NodeDatabase::Impl::release(Bid bid) {
  if (bid == 0) return;
  BbtRecord* r = bbt.findForUpdate(bid);
  if (!r || r->refs == 0) {
    throw PstError(PstError::Kind::Misuse,
                   "releasing block " + std::to_string(bid) + ", which holds no reference",
                   file.path().string());
  }
  if (--r->refs == 0) freeBlock(bid);
}

void NodeDatabase::Impl::freeBlock(Bid bid) {
  const BbtRecord r = block(bid);
  std::vector<Bid> children;
  // An internal block's entries are not encoded: they read the same before and after sealing.
  if (isInternalBid(bid)) children = internalBlockReferences(file.readAppended(r.ib, r.cb));
  bbt.erase(bid);
  internalTreeSizes.erase(bid);
  space.freeLater(r.ib, blockDiskSize(r.cb));
  for (Bid child : children) release(child);
}

std::uint64_t NodeDatabase::Impl::allocate(std::uint64_t size, std::uint64_t align) {
  const std::uint64_t ib = space.allocate(size, align);
  if (intervalOf(space.cursor()) > intervalsMapped) writeLeftIntervalMaps();
  return ib;
}

// An interval the cursor has left is fully allocated for good (freed space is never handed
// out again in a session), so its map pages can go out now, usually into the write buffer
// that still holds the interval's start. Left to the next commit, they would patch pages the
// disk had already written, and the system writes such a page again together with its
// neighbours (up to 2 MB each): the whole file twice over. The maps go out ahead of the
// header that references the interval's blocks; a crash before that header leaves space
// marked allocated that nothing uses, never the reverse.
void NodeDatabase::Impl::writeLeftIntervalMaps() {
  const std::uint64_t left = intervalOf(space.cursor());
  for (std::uint64_t k = intervalsMapped; k < left; ++k) {
    file.patchAppended(amapOffset(k), mapPage(PageType::AMap, amapOffset(k), space.bitmap(k)));
    forFixedMapPages(k,
                     [this](std::uint64_t at, const Page& page) { file.patchAppended(at, page); });
    space.markClean(k);
  }
  intervalsMapped = left;
}

void NodeDatabase::Impl::writeTrees(Bref& nbtRoot, Bref& bbtRoot) {
  auto sinkFor = [this](PageType type) {
    return [this, type](Page& page, std::uint8_t) {
      const std::uint64_t ib = allocate(kPageSize, kPageSize);
      const std::uint64_t bid = nextPageBid;
      nextPageBid += 2;
      sealPage(page, type, ib, bid);
      file.append(ib, page);
      return Bref{bid, ib};
    };
  };
  nbtRoot = nbt.write(sinkFor(PageType::Nbt));
  bbtRoot = bbt.write(sinkFor(PageType::Bbt));
  for (const Bref& old : nbt.takeReleasedPages()) space.freeLater(old.ib, kPageSize);
  for (const Bref& old : bbt.takeReleasedPages()) space.freeLater(old.ib, kPageSize);
}

void NodeDatabase::Impl::writeMaps() {
  const std::uint64_t intervals = space.intervalCount();
  for (std::uint64_t k = 0; k < intervals; ++k) {
    if (space.isDirty(k))
      file.queueWriteAt(amapOffset(k), mapPage(PageType::AMap, amapOffset(k), space.bitmap(k)));
    if (k < intervalsMapped) continue;
    forFixedMapPages(k,
                     [this](std::uint64_t at, const Page& page) { file.queueWriteAt(at, page); });
  }
  // [MS-PST] 2.2.2.7.5: each FMap holds the longest free run of the next 496 AMaps, the
  // first 128 being in the header; 0 for AMaps the file does not have yet.
  for (std::uint64_t f = kFMapFirst; f < intervals; f += kFMapEvery) {
    const std::uint64_t end = std::min(f + kFMapEvery, intervals);
    bool changed = end > intervalsCommitted;  // new intervals since the last commit
    for (std::uint64_t k = f; k < end && !changed; ++k) changed = space.isDirty(k);
    if (!changed) continue;
    std::array<std::uint8_t, kPageDataSize> runs{};
    for (std::uint64_t k = f; k < end; ++k) {
      runs[k - f] =
          static_cast<std::uint8_t>(std::min<std::uint64_t>(space.longestFreeRun(k), 255));
    }
    file.queueWriteAt(fmapOffset(f), mapPage(PageType::FMap, fmapOffset(f), runs));
  }
  space.markClean();
  intervalsCommitted = intervalsMapped = intervals;
}

void NodeDatabase::Impl::writeHeader(const Bref& nbtRoot, const Bref& bbtRoot) {
  Header h;
  const std::uint64_t intervals = space.intervalCount();
  h.bidNextP = nextPageBid;
  h.bidNextB = nextBid;
  h.unique = ++unique;
  h.rgnid = rgnid;
  h.fileEof = fileSizeFor(intervals);
  h.amapLast = amapOffset(intervals - 1);
  h.amapFree = space.totalFreeBytes();
  h.pmapFree = 0;
  h.nbt = nbtRoot;
  h.bbt = bbtRoot;
  h.amapValid = header::kAMapValid2;
  for (std::uint64_t k = 0; k < kRgbFMEntries && k < intervals; ++k) {
    h.rgbFM[k] = static_cast<std::uint8_t>(std::min<std::uint64_t>(space.longestFreeRun(k), 255));
  }
  h.rgbFP.fill(0xFF);
  h.cryptMethod = static_cast<std::uint8_t>(crypt);
  file.queueWriteAt(0, encodeHeader(h));
}

void NodeDatabase::Impl::commit(bool wait) {
  if (failed) {
    throw PstError(PstError::Kind::Io, "an earlier write failed; the file keeps its last commit",
                   file.path().string());
  }
  try {
    // Blocks nothing took a reference on since they were written. (The list keeps its room
    // for the next commit: grown again each time, it cost fresh pages of memory.)
    for (Bid bid : unreferenced) {
      const BbtRecord* r = bbt.find(bid);
      if (r && r->refs == 0) freeBlock(bid);
    }
    unreferenced.clear();
    Bref nbtRoot, bbtRoot;
    writeTrees(nbtRoot, bbtRoot);
    // The file grows in whole intervals ([MS-PST] 2.6.1.1.2); the tail reads as zeros.
    file.queueSetSize(fileSizeFor(space.intervalCount()));
    writeMaps();
    file.queueSync();
    writeHeader(nbtRoot, bbtRoot);
    file.queueSync();
    // What this commit freed was still marked allocated in the maps just written, because the
    // previous header could still reference it. Once the new header is on disk nothing does,
    // so a second round of maps and header, after its sync, returns that space, leaving exact
    // maps. (Freed space is never handed out again in a session, so these maps can be laid
    // out now, before the first round has reached the disk.)
    if (space.hasDeferredFrees()) {
      space.applyDeferredFrees();
      writeMaps();
      file.queueSync();
      writeHeader(nbtRoot, bbtRoot);
      file.queueSync();
    }
    if (wait) file.drain();
    cursorAtCommit = space.cursor();
  } catch (...) {
    failed = true;
    throw;
  }
}

// ---- NodeDatabase ---------------------------------------------------------------------------

NodeDatabase::NodeDatabase() = default;
NodeDatabase::~NodeDatabase() = default;

std::unique_ptr<NodeDatabase> NodeDatabase::create(const std::filesystem::path& path,
                                                   CryptMethod crypt) {
  if (crypt != CryptMethod::None && crypt != CryptMethod::Permute) {
    throw PstError(PstError::Kind::Misuse, "unsupported data encoding", path.string());
  }
  std::unique_ptr<NodeDatabase> db(new NodeDatabase());
  db->impl_ = std::make_unique<Impl>(path, crypt);  // throws when the path exists
  const FileIdentity created = db->fileIdentity();
  try {
    Impl& d = *db->impl_;
    const std::uint64_t dlistBid = d.nextPageBid;
    d.nextPageBid += 2;
    d.file.queueWriteAt(kDListOffset, emptyDListPage(dlistBid));
    d.commit(true);
  } catch (...) {
    db.reset();  // closed first: Windows removes no file that is still open
    removeIfSameFile(path, created);
    throw;
  }
  return db;
}

const std::filesystem::path& NodeDatabase::path() const {
  return impl_->file.path();
}

FileIdentity NodeDatabase::fileIdentity() const {
  return impl_->file.identity();
}

Nid NodeDatabase::allocateNid(NidType type) {
  const auto t = static_cast<std::uint32_t>(type);
  if (t >= header::kNidCounters)
    throw PstError(PstError::Kind::Misuse, "invalid node type", path().string());
  const std::uint32_t next = impl_->rgnid[t] + 1;
  if (next >= (1u << 27))
    throw PstError(PstError::Kind::Misuse, "node ids of this type are exhausted", path().string());
  for (int member : nidCounterGroup(t)) impl_->rgnid[member] = next;
  return makeNid(type, next);
}

void NodeDatabase::reserveNid(Nid nid) {
  const auto t = static_cast<std::uint32_t>(nidType(nid));
  const std::uint32_t index = nidIndex(nid);
  if (impl_->rgnid[t] >= index) return;
  for (int member : nidCounterGroup(t))
    impl_->rgnid[member] = std::max(impl_->rgnid[member], index);
}

Bid NodeDatabase::writeBlock(std::span<const std::uint8_t> bytes) {
  return impl_->appendBlock(bytes, false, bytes.size());
}

Bid NodeDatabase::writeDataTree(const std::vector<Bid>& leaves) {
  Impl& d = *impl_;
  if (leaves.empty()) return 0;
  for (Bid leaf : leaves) {
    d.block(leaf);
    if (isInternalBid(leaf))
      throw PstError(PstError::Kind::Misuse, "a data tree leaf must be a data block",
                     path().string());
  }
  if (leaves.size() == 1) return leaves.front();
  if (leaves.size() <= kMaxXBlockEntries) return d.writeXBlock(1, leaves);
  std::vector<Bid> xblocks;
  for (std::size_t i = 0; i < leaves.size(); i += kMaxXBlockEntries) {
    const std::size_t n = std::min(kMaxXBlockEntries, leaves.size() - i);
    xblocks.push_back(d.writeXBlock(1, std::span(leaves).subspan(i, n)));
  }
  if (xblocks.size() > kMaxXBlockEntries)
    throw PstError(PstError::Kind::Misuse, "data tree too large", path().string());
  return d.writeXBlock(2, xblocks);
}

DataTreeWriter NodeDatabase::streamData() {
  return DataTreeWriter(*this);
}

Bid NodeDatabase::writeSubnodes(std::vector<SubnodeEntry> entries) {
  Impl& d = *impl_;
  if (entries.empty()) return 0;
  std::sort(entries.begin(), entries.end(),
            [](const SubnodeEntry& a, const SubnodeEntry& b) { return a.nid < b.nid; });
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i > 0 && entries[i].nid == entries[i - 1].nid) {
      throw PstError(PstError::Kind::Misuse,
                     "subnode " + std::to_string(entries[i].nid) + " appears twice",
                     path().string());
    }
    if (entries[i].data == 0)
      throw PstError(PstError::Kind::Misuse, "subnode without data", path().string());
    d.block(entries[i].data);
    if (entries[i].sub) d.block(entries[i].sub);
  }
  auto writeLeaf = [&](std::span<const SubnodeEntry> part) {
    std::uint64_t total = 0;
    for (const SubnodeEntry& e : part)
      total += d.treeSize(e.data) + (e.sub ? d.treeSize(e.sub) : 0);
    const Bid bid = d.appendBlock(encodeSlBlock(part), true, total);
    for (const SubnodeEntry& e : part) {
      d.addRef(e.data);
      d.addRef(e.sub);
    }
    return bid;
  };
  if (entries.size() <= kMaxSlEntries) return writeLeaf(entries);
  std::vector<std::pair<Nid, Bid>> leaves;
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < entries.size(); i += kMaxSlEntries) {
    const auto part = std::span(entries).subspan(i, std::min(kMaxSlEntries, entries.size() - i));
    const Bid leaf = writeLeaf(part);
    leaves.emplace_back(part.front().nid, leaf);
    total += d.treeSize(leaf);
  }
  if (leaves.size() > kMaxSiEntries)
    throw PstError(PstError::Kind::Misuse, "too many subnodes", path().string());
  const Bid bid = d.appendBlock(encodeSiBlock(leaves), true, total);
  for (const auto& leaf : leaves) d.addRef(leaf.second);
  return bid;
}

void NodeDatabase::putNode(Nid nid, NodeRefs refs, Nid parent) {
  Impl& d = *impl_;
  if (refs.data) d.block(refs.data);
  if (refs.sub) d.block(refs.sub);
  d.addRef(refs.data);
  d.addRef(refs.sub);
  NbtRecord old;
  const NbtRecord* existing = d.nbt.find(nid);
  if (existing) old = *existing;
  d.nbt.insertOrAssign(NbtRecord{nid, parent, refs.data, refs.sub});
  reserveNid(nid);
  if (existing) {
    d.release(old.data);
    d.release(old.sub);
  }
}

void NodeDatabase::removeNode(Nid nid) {
  Impl& d = *impl_;
  const NbtRecord* existing = d.nbt.find(nid);
  if (!existing) return;
  const NbtRecord old = *existing;
  d.nbt.erase(nid);
  d.release(old.data);
  d.release(old.sub);
}

bool NodeDatabase::hasNode(Nid nid) const {
  return impl_->nbt.find(nid) != nullptr;
}

std::uint64_t NodeDatabase::dataSize(Bid bid) const {
  return bid == 0 ? 0 : impl_->treeSize(bid);
}

std::uint64_t NodeDatabase::nodeSize(NodeRefs refs) const {
  return dataSize(refs.data) + dataSize(refs.sub);
}

void NodeDatabase::commit() {
  impl_->commit(true);
}

void NodeDatabase::commitInBackground() {
  impl_->commit(false);
}

void NodeDatabase::waitForWrites() {
  impl_->file.drain();
}

std::uint64_t NodeDatabase::bytesSinceCommit() const {
  return impl_->space.cursor() - impl_->cursorAtCommit;
}

}  // namespace mailferry::pst
