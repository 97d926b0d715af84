// The stores a session has added, kept process-wide in place of the mail profile, so that a
// store can be found again by its display name or entry id (folder lookup by path) while the
// session that added it is logged on.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pst/messaging/PstStore.h"

namespace mailferry::store {

// One store added to the profile: the open PST file and the name it is shown under.
struct OpenStore {
  std::unique_ptr<pst::PstStore> file;
  std::string displayName;
  std::string entryId;  // hex text of the store's entry id
  bool closed = false;
  // Folders found by store path. Subfolder names are unique within their parent and folders
  // are never renamed or removed, so a path, once found, names the same folder for as long as
  // the store is open; paths not found are not kept.
  std::unordered_map<std::string, pst::Nid> foldersByPath;
};

// The store, or StoreError when it has been closed (its session logged off).
const OpenStore& requireOpen(const std::shared_ptr<OpenStore>& store);

class Profile {
 public:
  static Profile& instance();

  void add(const std::shared_ptr<OpenStore>& store);
  void remove(const OpenStore* store);
  std::shared_ptr<OpenStore> findByDisplayName(std::string_view displayName) const;
  std::shared_ptr<OpenStore> findByEntryId(std::string_view entryId) const;
  // The store added last and still open: its top folder stands for the folder "shown in the
  // active window", where relative folder paths start.
  std::shared_ptr<OpenStore> lastAdded() const;

 private:
  std::vector<std::weak_ptr<OpenStore>> stores_;
};

}  // namespace mailferry::store
