// Folder lookup by path.
#include "store/OpenMAPIFolder.h"

#include "sources/PathSeparator.h"
#include "store/FolderPath.h"
#include "store/Session.h"
#include "store/StoreError.h"

namespace mailferry::store {

std::optional<Folder> currentFolder() {
  auto store = Profile::instance().lastAdded();
  if (!store) return std::nullopt;
  return Store(store).IPMRootFolder();
}

std::optional<Folder> OpenMAPIFolder(std::string_view path) {
  std::optional<Folder> current;
  if (!path.empty() && path.front() == sources::kPathSeparator) {
    path.remove_prefix(1);
  } else {
    current = currentFolder();
    if (!current) throw StoreError("there is no current folder: no store is open");
  }
  for (const auto& name : splitFolderPath(path)) {
    if (!current) {
      auto store = Profile::instance().findByDisplayName(name);
      if (!store) throw StoreError("there is no store named \"" + name + "\"");
      current = Store(store).IPMRootFolder();
    } else {
      current = current->Folders()[name];
    }
  }
  return current;
}

}  // namespace mailferry::store
