// Loads the value an HNID names ([MS-PST] 2.3.3.2): a heap item of the node, or the data tree
// of one of the node's subnodes. Shared by the property and table context readers.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "pst/ltp/HeapReader.h"
#include "pst/ndb/NdbReader.h"

namespace mailferry::pst::ltp {

class HnidResolver {
 public:
  HnidResolver(const NdbReader& ndb, const HeapReader& heap, Bid subnodes);
  // 0 is the empty value.
  std::vector<std::uint8_t> load(std::uint32_t hnid) const;
  const SubnodeEntry* subnode(Nid nid) const;

 private:
  const NdbReader& ndb_;
  const HeapReader& heap_;
  std::map<Nid, SubnodeEntry> subnodes_;
};

// Reads a node's heap: the decoded leaves of its data tree. where names the node in errors.
HeapReader readHeap(const NdbReader& ndb, NodeRefs refs, const std::string& where);
// "node 0x122" or, without a NID, "node with data block 0x1A4".
std::string describeNode(Nid nid, NodeRefs refs);

}  // namespace mailferry::pst::ltp
