// Shell and file-system wrappers: folder browser, shell open, path test, parent cut.
#include "sources/registry.h"

#include <filesystem>
#include <system_error>

#include "sources/FsPath.h"
#include "sources/PathSeparator.h"

namespace mailferry::sources::registry {

std::string BrowseForFolder(OwnerHandle owner, const std::string& start, const std::string& title,
                            bool includeFiles, bool newStyle) {
  FolderRequest request;
  request.owner = owner;
  request.startFolder = start;
  request.title = title;
  request.includeFiles = includeFiles;
  request.newStyle = newStyle;
  const auto& browse = dialogs().browseForFolder;
  return browse ? browse(request) : std::string();
}

void ShellOpen(const std::string& target) {
  if (target.empty()) return;
  const auto& open = dialogs().shellOpen;
  if (!open) return;
  try {
    open(target);
  } catch (...) {
    // Opening a document or page is a convenience: a failure is not reported.
  }
}

bool PathExists(const std::string& path, bool folder) {
  if (path.empty()) return false;
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(toFsPath(path), ec);
  if (ec || !std::filesystem::exists(status)) return false;
  if (std::filesystem::is_directory(status)) return folder;
  return true;
}

std::string GetParentPath(const std::string& path) {
  const auto last = path.rfind(kPathSeparator);
  if (last == std::string::npos) return {};
  return path.substr(0, last + 1);
}

}  // namespace mailferry::sources::registry
