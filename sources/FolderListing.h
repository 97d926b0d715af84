// The file-system service behind the folder search: existence test, one folder's immediate
// subfolders and files, and where a link leads.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace mailferry::sources {

struct ListedFolder {
  std::string name;
  bool isLink = false;  // reached through a symbolic link (or junction)
};

// A link whose target cannot be reached: a loop of links, or a target that is refused.
struct UnfollowableLink {
  std::string name;
  std::error_code cause;
};

struct FolderListing {
  std::vector<ListedFolder> subfolders;
  std::vector<std::string> files;
  std::vector<UnfollowableLink> unfollowable;
};

// True when a folder exists at path (a file there does not count).
bool folderExists(const std::string& path);

// Lists the immediate subfolders and files of folder, each in ordinal name order, so that
// a search gives the same list on every platform and every run. Hidden and system entries
// are listed like any other; so are links to folders and files. Dangling links, devices,
// pipes and sockets are no files to convert and are left out; links that cannot be followed
// are listed apart. Throws std::filesystem::filesystem_error when the folder cannot be opened
// or read.
FolderListing listFolder(const std::string& folder);

// The absolute path with every symbolic link and junction on the way resolved.
// Throws std::filesystem::filesystem_error when it cannot be resolved.
std::filesystem::path resolvedPath(const std::string& path);

}  // namespace mailferry::sources
