// Folders, subfolder collections and item collections over the PST engine.
#include "store/Folder.h"

#include "pst/PstError.h"
#include "pst/ndb/Ids.h"
#include "store/StoreError.h"
#include "pst/Utf.h"

namespace mailferry::store {

Folder::Folder(std::shared_ptr<OpenStore> store, pst::Nid nid)
    : store_(std::move(store)), nid_(nid) {}

std::string Folder::Name() const {
  return pst::toUtf8(requireOpen(store_).file->folderInfo(nid_).name);
}

FolderList Folder::Folders() const {
  return FolderList(store_, nid_);
}

ItemList Folder::Items() const {
  return ItemList(store_, nid_);
}

FolderList::FolderList(std::shared_ptr<OpenStore> store, pst::Nid parent)
    : store_(std::move(store)), parent_(parent) {
  for (const auto& entry : requireOpen(store_).file->subfolders(parent_)) {
    folders_.emplace_back(store_, entry.nid);
  }
}

Folder FolderList::operator[](std::string_view name) const {
  auto nid = requireOpen(store_).file->findSubfolder(parent_, pst::toUtf16(name));
  if (!nid) throw StoreError("there is no folder named \"" + std::string(name) + "\"");
  return Folder(store_, *nid);
}

Folder FolderList::add(std::string_view name, int folderType) {
  if (folderType != kMailFolder) {
    throw StoreError("unknown folder type " + std::to_string(folderType));
  }
  if (name.empty()) throw StoreError("a folder needs a name");
  const auto& store = requireOpen(store_);
  if (store.file->findSubfolder(parent_, pst::toUtf16(name))) {
    throw StoreError("a folder named \"" + std::string(name) + "\" exists already");
  }
  try {
    auto nid = store.file->addFolder(parent_, pst::toUtf16(name), u"IPF.Note");
    Folder folder(store_, nid);
    folders_.push_back(folder);
    return folder;
  } catch (const pst::PstError& error) {
    throw StoreFailure(error);
  }
}

ItemList::ItemList(std::shared_ptr<OpenStore> store, pst::Nid folder)
    : store_(std::move(store)), folder_(folder) {}

std::unique_ptr<Item> ItemList::add(int itemType) {
  switch (itemType) {
    case kMailItem:
      return std::make_unique<Item>(store_, folder_, Item::Kind::Mail);
    case kContactItem:
      return std::make_unique<Item>(store_, folder_, Item::Kind::Contact);
    default:
      throw StoreError("unknown item type " + std::to_string(itemType));
  }
}

}  // namespace mailferry::store
