// pathLogger: breadth-first search of a folder tree into shared, keyed lists.
#include "sources/pathLogger.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "sources/Dialogs.h"
#include "sources/FolderListing.h"
#include "sources/FsPath.h"
#include "sources/PathSeparator.h"

namespace mailferry::sources {

namespace fs = std::filesystem;

namespace {

constexpr char kRefusedFolderMessage[] = "Please Select Correct Store Folder.";

bool isWithin(const fs::path& candidate, const fs::path& root) {
  const auto [rootEnd, candidateAt] =
      std::mismatch(root.begin(), root.end(), candidate.begin(), candidate.end());
  (void)candidateAt;
  return rootEnd == root.end();
}

// A link to a folder is followed only when its target lies outside every tree the search
// already walks, so that a link to an ancestor cannot make the search endless.
class LinkLoopGuard {
 public:
  explicit LinkLoopGuard(std::string start) : start_(std::move(start)) {}

  bool admit(const std::string& linkPath) {
    if (roots_.empty()) roots_.push_back(fs::canonical(toFsPath(start_)));
    fs::path target = fs::canonical(toFsPath(linkPath));
    for (const fs::path& root : roots_) {
      if (isWithin(target, root)) return false;
    }
    roots_.push_back(std::move(target));
    return true;
  }

 private:
  std::string start_;
  std::vector<fs::path> roots_;
};

bool isPermissionDenied(const std::error_code& ec) {
  return ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted;
}

}  // namespace

pathLogger::pathLogger(std::function<void()> yieldToUi) : yield_(std::move(yieldToUi)) {}

void pathLogger::PathLogInit() {
  fullFileNamesOnly_ = true;
  fileNames_.reset();
  pathNames_.reset();
  pathPointers_.reset();
  fullFileNames_.reset();
}

void pathLogger::Terminate() {
  fileNames_.reset();
  pathNames_.reset();
  pathPointers_.reset();
  fullFileNames_.reset();
}

std::shared_ptr<pathLogger::StringList> pathLogger::fileNames() {
  if (!fileNames_) fileNames_ = std::make_shared<StringList>();
  return fileNames_;
}

std::shared_ptr<pathLogger::StringList> pathLogger::pathNames() {
  if (!pathNames_) pathNames_ = std::make_shared<StringList>();
  return pathNames_;
}

std::shared_ptr<pathLogger::PointerList> pathLogger::pathPointers() {
  if (!pathPointers_) pathPointers_ = std::make_shared<PointerList>();
  return pathPointers_;
}

std::shared_ptr<pathLogger::StringList> pathLogger::fullFileNames() {
  if (!fullFileNames_) fullFileNames_ = std::make_shared<StringList>();
  return fullFileNames_;
}

std::string pathLogger::AddBackslash(const std::string& path) {
  if (!path.empty() && path.back() == kPathSeparator) return path;
  return path + kPathSeparator;
}

void pathLogger::LogPath(const std::string& start) {
  if (!folderExists(start)) return;

  count_ = 1;
  std::int32_t queued = 1;
  std::int32_t current = 1;
  StringList& folders = *pathNames();
  StringList& full = *fullFileNames();
  folders.add(AddBackslash(start), "K0");
  LinkLoopGuard loopGuard(start);

  const auto yieldNow = [this] {
    if (yield_) yield_();
  };
  try {
    do {
      const std::string dir = folders.item(static_cast<std::size_t>(current));
      const FolderListing listing = listFolder(dir);
      for (const ListedFolder& sub : listing.subfolders) {
        if (sub.isLink && !loopGuard.admit(dir + sub.name)) continue;
        ++queued;
        folders.add(dir + sub.name + kPathSeparator, "K" + std::to_string(queued));
        yieldNow();
      }
      for (const std::string& file : listing.files) {
        const std::string key = "K" + std::to_string(count_);
        if (fullFileNamesOnly_) {
          full.add(dir + file, key);
        } else {
          fileNames()->add(file, key);
          full.add(dir + file, key);
          pathPointers()->add(current, key);
        }
        ++count_;
        yieldNow();
      }
      ++current;
    } while (current <= queued);
  } catch (const fs::filesystem_error& error) {
    // The search ends here and keeps what it recorded; only a refused folder is reported.
    if (isPermissionDenied(error.code())) {
      dialogs().messageBox(kRefusedFolderMessage, std::string(kApplicationTitle),
                           MessageIcon::Information);
    }
  }
}

}  // namespace mailferry::sources
