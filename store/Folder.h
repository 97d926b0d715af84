// Folders of an added store, their subfolder collections and their item collections, as the
// conversion runs walk and fill them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/Item.h"
#include "store/Profile.h"

namespace mailferry::store {

class FolderList;
class ItemList;

class Folder {
 public:
  Folder(std::shared_ptr<OpenStore> store, pst::Nid nid);

  std::string Name() const;
  FolderList Folders() const;
  ItemList Items() const;

  pst::Nid nid() const { return nid_; }
  const std::shared_ptr<OpenStore>& store() const { return store_; }

 private:
  std::shared_ptr<OpenStore> store_;
  pst::Nid nid_;
};

// The subfolders of one folder, as they are when the collection is taken.
class FolderList {
 public:
  static constexpr int kMailFolder = 6;

  FolderList(std::shared_ptr<OpenStore> store, pst::Nid parent);

  std::vector<Folder>::const_iterator begin() const { return folders_.begin(); }
  std::vector<Folder>::const_iterator end() const { return folders_.end(); }
  std::size_t Count() const { return folders_.size(); }
  // The subfolder of that name (exact, case-sensitive); StoreError when there is none.
  Folder operator[](std::string_view name) const;
  // A new subfolder; StoreError when the name is empty or taken, or the type is not a
  // mail folder (6).
  Folder add(std::string_view name, int folderType);

 private:
  std::shared_ptr<OpenStore> store_;
  pst::Nid parent_;
  std::vector<Folder> folders_;
};

class ItemList {
 public:
  static constexpr int kMailItem = 0;
  static constexpr int kContactItem = 2;

  ItemList(std::shared_ptr<OpenStore> store, pst::Nid folder);
  // A new, unsaved item: a mail message (0) or a contact (2).
  std::unique_ptr<Item> add(int itemType);

 private:
  std::shared_ptr<OpenStore> store_;
  pst::Nid folder_;
};

}  // namespace mailferry::store
