// The state behind NodeDatabase, shared with DataTreeWriter: the file, its space, the two
// B-trees, the id counters and the block reference counting.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "pst/ndb/AllocationMap.h"
#include "pst/ndb/BTreeRecords.h"
#include "pst/ndb/GrowingKeyMap.h"
#include "pst/ndb/NodeDatabase.h"
#include "pst/ndb/OutputFile.h"
#include "pst/ndb/PageTree.h"

namespace mailferry::pst {

struct NodeDatabase::Impl {
  Impl(const std::filesystem::path& path, CryptMethod crypt);

  // Appends one block; `encode` for external data blocks only. The block holds no reference.
  Bid appendBlock(std::span<const std::uint8_t> data, bool internal, std::uint64_t treeSize);
  // An XBLOCK (level 1) or XXBLOCK (level 2) taking a reference on each child.
  Bid writeXBlock(std::uint8_t level, std::span<const Bid> children);

  const BbtRecord& block(Bid bid) const;
  // Data bytes of the tree rooted at a block: cb for a data block, lcbTotal for an XBLOCK or
  // XXBLOCK, and for a subnode block the sizes of all its subnodes' trees, recursively.
  std::uint64_t treeSize(Bid bid) const;
  std::uint64_t treeSize(const BbtRecord& record) const;  // the same, the record at hand
  void addRef(Bid bid);
  void release(Bid bid);
  void freeBlock(Bid bid);

  // Space at the append cursor; the map pages of the intervals it leaves behind go out.
  std::uint64_t allocate(std::uint64_t size, std::uint64_t align);
  void writeLeftIntervalMaps();
  void writeTrees(Bref& nbtRoot, Bref& bbtRoot);
  void writeMaps();
  void writeHeader(const Bref& nbtRoot, const Bref& bbtRoot);
  void commit(bool wait);

  OutputFile file;
  CryptMethod crypt;
  AllocationMap space;
  PageTree<BbtRecord, Bid, format::btpage::kMaxEntries24> bbt;
  // treeSize of the internal blocks; a data block's is its cb. Kept apart because a store
  // holds millions of data block records and far fewer internal ones.
  GrowingKeyMap internalTreeSizes;
  PageTree<NbtRecord, Nid, format::btpage::kMaxEntries32> nbt;
  std::array<std::uint32_t, format::header::kNidCounters> rgnid{};
  Bid nextBid = format::kBidStep;  // external blocks take it, internal ones it | 2
  std::uint64_t nextPageBid = 1;   // odd values only, so that no page BID is a block BID
  std::uint32_t unique = 0;
  std::vector<Bid> unreferenced;  // written since the last commit, maybe never referenced
  std::uint64_t cursorAtCommit = 0;
  std::uint64_t intervalsCommitted = 0;  // intervals the last commit's header covers
  std::uint64_t intervalsMapped = 0;     // intervals whose PMap/FPMap are written
  bool failed = false;
};

}  // namespace mailferry::pst
