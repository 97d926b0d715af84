// One normal folder of a store ([MS-PST] 2.4.4).
#include "pst/messaging/Folder.h"

#include <algorithm>

#include "pst/KnownTags.h"
#include "pst/messaging/StoreTemplates.h"

namespace mailferry::pst {

Folder::Folder(Nid nid, Nid parent, std::u16string_view name, std::u16string_view containerClass)
    : nid_(nid),
      parent_(parent),
      hierarchy_(templates::hierarchyColumns()),
      contents_(templates::contentsColumns()),
      assoc_(templates::assocContentsColumns()) {
  // [MS-PST] 2.4.4.1.1: the four properties every folder PC has.
  pc_.set(tags::kDisplayName, PropValue::string(name));
  pc_.set(tags::kContentCount, PropValue::int32(0));
  pc_.set(tags::kContentUnreadCount, PropValue::int32(0));
  pc_.set(tags::kSubfolders, PropValue::boolean(false));
  if (!containerClass.empty()) pc_.set(tags::kContainerClass, PropValue::string(containerClass));
}

std::u16string Folder::name() const {
  const PropValue* v = pc_.find(tagId(tags::kDisplayName));
  return v ? v->asString() : std::u16string();
}

std::u16string Folder::containerClass() const {
  const PropValue* v = pc_.find(tagId(tags::kContainerClass));
  return v ? v->asString() : std::u16string();
}

void Folder::setProperty(PropTag tag, PropValue value) {
  pc_.set(tag, std::move(value));
  pcDirty_ = true;
  parentRowStale_ = true;
}

void Folder::putHierarchyRow(Nid child, Cells cells, bool isChildFolder) {
  hierarchy_.upsertRow(child, std::move(cells));
  hierarchyDirty_ = true;
  if (isChildFolder && std::find(children_.begin(), children_.end(), child) == children_.end())
    children_.push_back(child);
  const PropValue* sub = pc_.find(tagId(tags::kSubfolders));
  if (sub == nullptr || !sub->asBool()) setProperty(tags::kSubfolders, PropValue::boolean(true));
}

void Folder::putContentsRow(Nid message, Cells cells, int countDelta, int unreadDelta) {
  contents_.upsertRow(message, std::move(cells));
  contentsDirty_ = true;
  if (countDelta != 0 || unreadDelta != 0) {
    contentCount_ += countDelta;
    unreadCount_ += unreadDelta;
    setProperty(tags::kContentCount, PropValue::int32(contentCount_));
    setProperty(tags::kContentUnreadCount, PropValue::int32(unreadCount_));
  }
}

std::size_t Folder::contentsRows() const {
  return contents_.rowCount();
}

void Folder::write(NodeDatabase& db) {
  if (pcDirty_) db.putNode(nid_, pc_.write(db), parent_);
  if (hierarchyDirty_) db.putNode(hierarchyTableNid(nid_), hierarchy_.write(db), 0);
  if (contentsDirty_) db.putNode(contentsTableNid(nid_), contents_.write(db), 0);
  if (assocDirty_) db.putNode(assocContentsTableNid(nid_), assoc_.write(db), 0);
  pcDirty_ = hierarchyDirty_ = contentsDirty_ = assocDirty_ = false;
}

}  // namespace mailferry::pst
