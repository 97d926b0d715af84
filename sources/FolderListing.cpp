// The folder search's file-system service on std::filesystem.
#include "sources/FolderListing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "sources/FsPath.h"
#include "sources/OrdinalOrder.h"

namespace mailferry::sources {

namespace fs = std::filesystem;

bool folderExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_directory(toFsPath(path), ec);
}

FolderListing listFolder(const std::string& folder) {
  FolderListing listing;
  const fs::path base = toFsPath(folder);
  for (const fs::directory_entry& entry : fs::directory_iterator(base)) {
    std::string name = fromFsPath(entry.path().filename());
    const fs::file_type own = entry.symlink_status().type();
    if (own == fs::file_type::directory) {
      listing.subfolders.push_back({std::move(name), false});
    } else if (own == fs::file_type::regular) {
      listing.files.push_back(std::move(name));
    } else if (own == fs::file_type::symlink) {
      std::error_code ec;
      const fs::file_status target = fs::status(entry.path(), ec);
      if (target.type() == fs::file_type::not_found) continue;  // dangling link
      if (ec) throw fs::filesystem_error("cannot follow link", entry.path(), ec);
      if (target.type() == fs::file_type::directory) {
        listing.subfolders.push_back({std::move(name), true});
      } else if (target.type() == fs::file_type::regular) {
        listing.files.push_back(std::move(name));
      }
    }
  }
  std::sort(
      listing.subfolders.begin(), listing.subfolders.end(),
      [](const ListedFolder& a, const ListedFolder& b) { return ordinalLess(a.name, b.name); });
  std::sort(listing.files.begin(), listing.files.end(),
            [](const std::string& a, const std::string& b) { return ordinalLess(a, b); });
  return listing;
}

}  // namespace mailferry::sources
