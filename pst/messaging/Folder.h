// One normal folder of a store ([MS-PST] 2.4.4): its property context and its hierarchy,
// contents and FAI contents tables, four nodes sharing one node index. Kept in memory while
// the store is open and written when it changed, at each commit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "pst/ndb/NodeDatabase.h"

namespace mailferry::pst {

class Folder {
 public:
  Folder(Nid nid, Nid parent, std::u16string_view name, std::u16string_view containerClass);

  Nid nid() const { return nid_; }
  // The root folder is its own parent ([MS-PST] 2.4.4).
  Nid parent() const { return parent_; }
  std::u16string name() const;
  std::u16string containerClass() const;

  const PropertyContextWriter& properties() const { return pc_; }
  void setProperty(PropTag tag, PropValue value);

  const std::vector<Nid>& children() const { return children_; }
  // A row of this folder's hierarchy table: a child folder (listed among the children) or
  // another object shown under it (the spam search folder of the root).
  void putHierarchyRow(Nid child, Cells cells, bool isChildFolder);

  // A saved message's row in the contents table, and the change it brings to the counts.
  void putContentsRow(Nid message, Cells cells, int countDelta, int unreadDelta);
  std::int32_t contentCount() const { return contentCount_; }
  std::int32_t unreadCount() const { return unreadCount_; }
  std::size_t contentsRows() const;

  // True when the copy of this folder's properties in its parent's hierarchy table is stale.
  bool parentRowStale() const { return parentRowStale_; }
  void parentRowWritten() { parentRowStale_ = false; }

  bool dirty() const { return pcDirty_ || hierarchyDirty_ || contentsDirty_ || assocDirty_; }
  // Writes what changed: the PC node and each changed table node.
  void write(NodeDatabase& db);

 private:
  Nid nid_;
  Nid parent_;
  PropertyContextWriter pc_;
  TableContextWriter hierarchy_;
  TableContextWriter contents_;
  TableContextWriter assoc_;
  std::vector<Nid> children_;
  std::int32_t contentCount_ = 0;
  std::int32_t unreadCount_ = 0;
  bool pcDirty_ = true;
  bool hierarchyDirty_ = true;
  bool contentsDirty_ = true;
  bool assocDirty_ = true;
  bool parentRowStale_ = true;
};

// The node ids of a folder's tables: same index, table node types ([MS-PST] 2.4.4).
constexpr Nid hierarchyTableNid(Nid folder) {
  return (folder & ~0x1Fu) | 0x0D;
}
constexpr Nid contentsTableNid(Nid folder) {
  return (folder & ~0x1Fu) | 0x0E;
}
constexpr Nid assocContentsTableNid(Nid folder) {
  return (folder & ~0x1Fu) | 0x0F;
}

}  // namespace mailferry::pst
