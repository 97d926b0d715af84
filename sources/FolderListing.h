// The file-system service behind the folder search: existence test and one folder's
// immediate subfolders and files.
#pragma once

#include <string>
#include <vector>

namespace mailferry::sources {

struct ListedFolder {
  std::string name;
  bool isLink = false;  // reached through a symbolic link (or junction)
};

struct FolderListing {
  std::vector<ListedFolder> subfolders;
  std::vector<std::string> files;
};

// True when a folder exists at path (a file there does not count).
bool folderExists(const std::string& path);

// Lists the immediate subfolders and files of folder, each in ordinal name order, so that
// a search gives the same list on every platform and every run. Hidden and system entries
// are listed like any other; so are links to folders and files. Dangling links, devices,
// pipes and sockets are no files to convert and are left out.
// Throws std::filesystem::filesystem_error when the folder cannot be opened or read.
FolderListing listFolder(const std::string& folder);

}  // namespace mailferry::sources
