// The folder search's file-system service on std::filesystem.
#include "sources/FolderListing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "sources/FsPath.h"
#include "sources/OrdinalOrder.h"

namespace mailferry::sources {

namespace fs = std::filesystem;

namespace {

// A junction (an NTFS mount point) may lead anywhere, to an ancestor too: the search
// follows it like a symbolic link, under the same guard.
bool isReparsePoint([[maybe_unused]] const fs::path& path) {
#if defined(_WIN32)
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
  return false;
#endif
}

}  // namespace

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
    if (own == fs::file_type::regular) {
      listing.files.push_back(std::move(name));
    } else if (own == fs::file_type::symlink || isReparsePoint(entry.path())) {
      std::error_code ec;
      const fs::file_status target = fs::status(entry.path(), ec);
      if (target.type() == fs::file_type::not_found) continue;  // dangling link
      if (ec) {
        listing.unfollowable.push_back({std::move(name), ec});
        continue;
      }
      if (target.type() == fs::file_type::directory) {
        listing.subfolders.push_back({std::move(name), true});
      } else if (target.type() == fs::file_type::regular) {
        listing.files.push_back(std::move(name));
      }
    } else if (own == fs::file_type::directory) {
      listing.subfolders.push_back({std::move(name), false});
    }
  }
  std::sort(
      listing.subfolders.begin(), listing.subfolders.end(),
      [](const ListedFolder& a, const ListedFolder& b) { return ordinalLess(a.name, b.name); });
  std::sort(listing.files.begin(), listing.files.end(),
            [](const std::string& a, const std::string& b) { return ordinalLess(a, b); });
  std::sort(listing.unfollowable.begin(), listing.unfollowable.end(),
            [](const UnfollowableLink& a, const UnfollowableLink& b) {
              return ordinalLess(a.name, b.name);
            });
  return listing;
}

#if defined(_WIN32)
// fs::canonical (libstdc++) does not follow junctions there: the system names the folder an
// open handle reaches instead.
fs::path resolvedPath(const std::string& path) {
  const fs::path given = toFsPath(path);
  const HANDLE handle =
      CreateFileW(given.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    throw fs::filesystem_error(
        "cannot resolve", given,
        std::error_code(static_cast<int>(GetLastError()), std::system_category()));
  }
  std::wstring name(MAX_PATH, L'\0');
  DWORD size = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), 0);
  if (size >= name.size()) {
    name.resize(size);
    size = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), 0);
  }
  const DWORD error = GetLastError();
  CloseHandle(handle);
  if (size == 0) {
    throw fs::filesystem_error("cannot resolve", given,
                               std::error_code(static_cast<int>(error), std::system_category()));
  }
  name.resize(size);
  // "\\?\C:\..." and "\\?\UNC\server\share\...": back to the usual forms.
  if (name.starts_with(L"\\\\?\\UNC\\")) return fs::path(L"\\\\" + name.substr(8));
  if (name.starts_with(L"\\\\?\\")) return fs::path(name.substr(4));
  return fs::path(name);
}
#else
fs::path resolvedPath(const std::string& path) {
  return fs::canonical(toFsPath(path));
}
#endif

}  // namespace mailferry::sources
