// The reading side of the node database: opens any Unicode PST (ours or Outlook's) and gives
// its header, node B-tree, block B-tree, data trees and subnode trees. Used by pstcheck and
// by the tests; it checks what it reads and throws PstError with the offset of a fault.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "pst/PstError.h"
#include "pst/ndb/NodeDatabase.h"

namespace mailferry::pst {

struct NodeEntry {
  Nid nid = 0;
  Bid data = 0;
  Bid sub = 0;
  Nid parent = 0;
};

struct BlockEntry {
  Bid bid = 0;
  std::uint64_t offset = 0;
  std::uint16_t size = 0;  // cb: data bytes
  std::uint16_t refCount = 0;
};

class NdbReader {
 public:
  static std::unique_ptr<NdbReader> open(const std::filesystem::path& path);
  ~NdbReader();

  const std::filesystem::path& path() const;
  CryptMethod crypt() const;
  std::uint64_t fileSize() const;

  std::optional<NodeEntry> node(Nid nid) const;
  std::vector<NodeEntry> nodes() const;  // in key order
  std::optional<BlockEntry> block(Bid bid) const;
  std::vector<BlockEntry> blocks() const;

  // The decoded bytes of a whole data tree, and of each of its leaf blocks in order.
  std::vector<std::uint8_t> readData(Bid bid) const;
  std::vector<std::vector<std::uint8_t>> readLeaves(Bid bid) const;
  // The entries of a subnode tree (flattened, in key order).
  std::vector<SubnodeEntry> readSubnodes(Bid bid) const;

  // Raw access for structural checks.
  std::vector<std::uint8_t> readRaw(std::uint64_t offset, std::size_t size) const;

 private:
  NdbReader();
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace mailferry::pst
