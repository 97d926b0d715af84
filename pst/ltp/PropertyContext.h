// Property contexts ([MS-PST] 2.3.3): a node's properties as a B-tree-on-heap of
// (property id, type, value or HNID), values of any size in the heap or in subnodes.
#pragma once

#include <optional>
#include <vector>

#include "pst/PropValue.h"
#include "pst/ndb/NdbReader.h"
#include "pst/ndb/NodeDatabase.h"

namespace mailferry::pst {

class PropertyContextWriter {
 public:
  using Property = std::pair<PropId, std::pair<PropType, PropValue>>;
  using Properties = std::vector<Property>;  // in id order, each id once

  void set(PropTag tag, PropValue value);  // replaces a property with the same id
  void remove(PropId id);
  const PropValue* find(PropId id) const;
  const Properties& properties() const { return props_; }

  // Writes the heap and the subnodes for values too big for it. extraSubnodes (recipient and
  // attachment tables, attachments, embedded messages) join the node's subnode tree.
  // The result is ready to be passed to NodeDatabase::putNode.
  NodeRefs write(NodeDatabase& db, const std::vector<SubnodeEntry>& extraSubnodes = {}) const;

  // Like write(), and first sets the 32-bit property sizeTag to the size the node will have
  // on disk: the data bytes of every leaf block of its data tree and of all its subnodes
  // (how Outlook counts PidTagMessageSize). The value is inline, so it does not change the
  // layout, and everything is written once. Returns the refs; *size receives the size.
  NodeRefs writeWithNodeSize(NodeDatabase& db, const std::vector<SubnodeEntry>& extraSubnodes,
                             PropTag sizeTag, std::uint64_t* size);

 private:
  NodeRefs writeNode(NodeDatabase& db, const std::vector<SubnodeEntry>& extraSubnodes,
                     std::optional<PropId> sizeProp, std::uint64_t* size) const;

  // One sorted array: an item has a few dozen properties, and a tree node for each cost an
  // allocation apiece.
  static constexpr std::size_t kTypicalCount = 32;
  Properties::const_iterator lowerBound(PropId id) const;

  Properties props_;
};

// One property read back: the value bytes, loaded whatever their placement.
struct ReadProperty {
  PropTag tag = 0;
  std::vector<std::uint8_t> bytes;
};

class PropertyContextReader {
 public:
  // Reads and checks the property context of a node (its data tree and subnodes); nid, when
  // given, names the node in errors.
  PropertyContextReader(const NdbReader& ndb, NodeRefs refs, Nid nid = 0);
  const std::vector<ReadProperty>& properties() const { return props_; }
  const ReadProperty* find(PropId id) const;
  std::optional<PropValue> value(PropId id) const;

 private:
  std::vector<ReadProperty> props_;
};

}  // namespace mailferry::pst
