// Reads a written store back through the node database and LTP readers for the messaging
// tests: nodes, property contexts, tables, subnodes and on-disk sizes.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "pst/ndb/NdbReader.h"
#include "tests/support/TempFolder.h"

namespace mailferry::pst::testing {

class StoreProbe {
 public:
  explicit StoreProbe(const std::filesystem::path& file);

  const NdbReader& ndb() const { return *ndb_; }
  bool has(Nid nid) const { return ndb_->node(nid).has_value(); }
  NodeEntry node(Nid nid) const;
  std::vector<NodeEntry> nodesOfType(NidType type) const;

  PropertyContextReader pc(Nid nid) const;
  TableContextReader table(Nid nid) const;
  std::vector<SubnodeEntry> subnodes(Nid nid) const;
  PropertyContextReader subnodePc(const SubnodeEntry& entry) const;
  TableContextReader subnodeTable(const SubnodeEntry& entry) const;
  std::optional<SubnodeEntry> subnode(Nid parent, Nid child) const;

  std::vector<PropTag> columnTags(Nid tableNid) const;
  // One property of a node's PC: its bytes, its text (UTF-16LE to UTF-8), its integer.
  std::optional<std::vector<std::uint8_t>> bytes(Nid nid, PropTag tag) const;
  std::string text(Nid nid, PropTag tag) const;
  std::optional<std::int32_t> int32(Nid nid, PropTag tag) const;
  std::vector<PropTag> propertyTags(Nid nid) const;
  // Sum of the data bytes of every leaf block of a node and, recursively, its subnodes.
  std::uint64_t onDiskSize(Bid data, Bid sub) const;

 private:
  std::unique_ptr<NdbReader> ndb_;
};

std::string utf16leToUtf8(const std::vector<std::uint8_t>& bytes);
std::int32_t asInt32(const std::vector<std::uint8_t>& bytes);

}  // namespace mailferry::pst::testing
