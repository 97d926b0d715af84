// The writing side of the node database ([MS-PST] 2.2): a new Unicode PST file whose blocks
// are appended as they are written and whose B-trees, allocation maps, density list and header
// are written at each commit. The file on disk is a valid PST after every commit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "pst/ndb/FileIdentity.h"
#include "pst/ndb/Ids.h"

namespace mailferry::pst {

enum class CryptMethod : std::uint8_t { None = 0x00, Permute = 0x01 };

// One entry of a node's subnode B-tree ([MS-PST] 2.2.2.8.3.3.1).
struct SubnodeEntry {
  Nid nid = 0;
  Bid data = 0;
  Bid sub = 0;  // 0 when the subnode has no subnodes of its own
};

// The two data trees of a node: its data and its subnodes (either may be 0).
struct NodeRefs {
  Bid data = 0;
  Bid sub = 0;
};

class NodeDatabase;

// Streams a byte sequence of any length into full external data blocks; finish() builds the
// XBLOCK or XXBLOCK over them when more than one block was needed ([MS-PST] 2.2.2.8.3.2).
// Memory use does not depend on the length of the stream.
class DataTreeWriter {
 public:
  explicit DataTreeWriter(NodeDatabase& db);
  DataTreeWriter(DataTreeWriter&&) noexcept;
  ~DataTreeWriter();
  void append(std::span<const std::uint8_t> bytes);
  // The last bytes of the stream, followed by finish(): a short last block is written straight
  // from `bytes` instead of being copied aside first.
  Bid appendAndFinish(std::span<const std::uint8_t> bytes);
  std::uint64_t size() const;
  // The root of the tree, or 0 for an empty stream.
  Bid finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

class NodeDatabase {
 public:
  // Creates a new file (never overwrites one: fails when the path exists) and commits an
  // empty node database to it.
  static std::unique_ptr<NodeDatabase> create(const std::filesystem::path& path,
                                              CryptMethod crypt = CryptMethod::Permute);
  ~NodeDatabase();

  const std::filesystem::path& path() const;
  // The file created, told apart from any later file under the same name.
  FileIdentity fileIdentity() const;

  // Node ids from the header's per-type counters ([MS-PST] 2.2.2.6 rgnid).
  Nid allocateNid(NidType type);
  // Makes sure the counter of the id's type is at least its index (for fixed ids).
  void reserveNid(Nid nid);

  // Blocks. A block written here holds no reference yet: a reference is taken when its BID
  // is placed in a node (putNode), in a subnode entry (writeSubnodes) or in a data tree
  // (writeDataTree). Blocks that nothing references at a commit are freed by it, so an item
  // that is abandoned half-way costs no space.
  Bid writeBlock(std::span<const std::uint8_t> bytes);  // one external block, <= 8,176 bytes
  // A data tree over leaf blocks already written (for heaps whose pages are blocks of their
  // own size). One leaf is returned as it is.
  Bid writeDataTree(const std::vector<Bid>& leaves);
  DataTreeWriter streamData();
  // A subnode B-tree (SLBLOCK, or SIBLOCK over SLBLOCKs); entries in any order; empty -> 0.
  Bid writeSubnodes(std::vector<SubnodeEntry> entries);

  // Inserts or replaces a node of the node B-tree; the trees it held before lose a reference.
  void putNode(Nid nid, NodeRefs refs, Nid parent);
  void removeNode(Nid nid);
  bool hasNode(Nid nid) const;

  // Sum of the data bytes of every leaf block of a data tree, and of a node's data tree plus
  // all its subnodes' trees, recursively (how Outlook counts PidTagMessageSize).
  std::uint64_t dataSize(Bid bid) const;
  std::uint64_t nodeSize(NodeRefs refs) const;

  // Writes the B-trees, the allocation maps, the density list and the header, in that order
  // and with a sync between data and header, so that a crash at any point leaves the last
  // committed state readable; returns once it is all on disk.
  void commit();
  // The same commit, left to the file's writer thread: the caller goes on appending while the
  // syncs wait for the disk. The commit reaches the disk before anything appended after it
  // is referenced by a header; a failure is thrown by a later call, and no later commit
  // succeeds.
  void commitInBackground();
  // Returns once everything handed to the file so far, background commits included, is done.
  void waitForWrites();
  // Bytes appended since the last commit (for the caller's commit policy).
  std::uint64_t bytesSinceCommit() const;

 private:
  NodeDatabase();
  friend class DataTreeWriter;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace mailferry::pst
