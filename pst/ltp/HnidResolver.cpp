// HNID resolution and heap loading for the context readers.
#include "pst/ltp/HnidResolver.h"
#include "pst/Hex.h"
#include "pst/PstError.h"

#include <cstdio>

namespace mailferry::pst::ltp {

std::string describeNode(Nid nid, NodeRefs refs) {
  if (nid != 0) return "node " + hex(nid);
  return "node with data block " + hex(refs.data);
}

HeapReader readHeap(const NdbReader& ndb, NodeRefs refs, const std::string& where) {
  if (refs.data == 0)
    throw PstError(PstError::Kind::Corrupt, where + ": no data tree", ndb.path().string());
  return HeapReader(ndb.readLeaves(refs.data), where, ndb.path().string());
}

HnidResolver::HnidResolver(const NdbReader& ndb, const HeapReader& heap, Bid subnodes)
    : ndb_(ndb), heap_(heap) {
  if (subnodes != 0) {
    for (const SubnodeEntry& e : ndb.readSubnodes(subnodes)) subnodes_[e.nid] = e;
  }
}

const SubnodeEntry* HnidResolver::subnode(Nid nid) const {
  const auto it = subnodes_.find(nid);
  return it == subnodes_.end() ? nullptr : &it->second;
}

std::vector<std::uint8_t> HnidResolver::load(std::uint32_t hnid) const {
  if (hnid == 0) return {};
  if (isHid(hnid)) {
    const auto bytes = heap_.item(hnid);
    return {bytes.begin(), bytes.end()};
  }
  const auto it = subnodes_.find(hnid);
  if (it == subnodes_.end()) heap_.fail("value in subnode " + hex(hnid) + ", which the node lacks");
  if (it->second.data == 0) return {};
  return ndb_.readData(it->second.data);
}

}  // namespace mailferry::pst::ltp
