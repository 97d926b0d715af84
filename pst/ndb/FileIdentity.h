// Which file a name led to when it was opened: the device and inode number on POSIX, the
// volume serial number and file index on Windows. A clean-up removes a file only while its
// name still leads to that file, never by the name alone: by then the name may be another
// program's file.
#pragma once

#include <cstdint>
#include <filesystem>

namespace mailferry::pst {

struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Removes the file `path` names when it is still the file `identity` identifies; returns
// whether it did. Errors are not thrown: a clean-up that cannot remove leaves the file.
bool removeIfSameFile(const std::filesystem::path& path, const FileIdentity& identity);

// Gives the file `from` names the name `to`, when `from` still leads to the file `identity`
// identifies, without ever replacing a file: PstError::isExists when `to` is taken, PstError
// (Io) for any other failure, PstError::isTransient when it may pass (another program holds
// the file open for a moment). The file must be closed.
void renameIfSameFile(const std::filesystem::path& from, const std::filesystem::path& to,
                      const FileIdentity& identity);

}  // namespace mailferry::pst
