// pathLogger: breadth-first search of a folder tree into shared, keyed lists.
#include "sources/pathLogger.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "sources/FolderListing.h"
#include "sources/FsPath.h"
#include "sources/PathSeparator.h"

namespace mailferry::sources {

namespace fs = std::filesystem;

namespace {

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

  // The walked tree that holds the link's target, or nothing when the link may be followed
  // (its target then becomes a walked tree). Throws fs::filesystem_error when the target
  // cannot be resolved.
  std::optional<fs::path> coveringTree(const std::string& linkPath) {
    if (roots_.empty()) roots_.push_back(resolvedPath(start_));
    fs::path target = resolvedPath(linkPath);
    for (const fs::path& root : roots_) {
      if (isWithin(target, root)) return target;
    }
    roots_.push_back(std::move(target));
    return std::nullopt;
  }

 private:
  std::string start_;
  std::vector<fs::path> roots_;
};

// A folder as the messages name it: without the separator the search keeps at its end.
std::string shownFolder(const std::string& folder) {
  if (folder.size() > 1 && folder.back() == kPathSeparator) {
    return folder.substr(0, folder.size() - 1);
  }
  return folder;
}

// The key of the n-th entry of a list: "K" and the number. Appended rather than written
// "K" + std::to_string(n), which GCC 12 at -O3 wrongly reports as an overlapping copy.
std::string listKey(std::int32_t n) {
  std::string key(1, 'K');
  key += std::to_string(n);
  return key;
}

SkippedFolder unreadable(const std::string& folder, const std::error_code& cause) {
  return {shownFolder(folder), cause.message(), SkippedFolder::Kind::Unreadable};
}

// A link whose target cannot be reached: a loop of links is a note, any other cause a
// folder the search could not look into.
SkippedFolder unfollowable(const std::string& link, const std::error_code& cause) {
  if (cause == std::errc::too_many_symbolic_link_levels) {
    return {link, "the link leads round in a loop", SkippedFolder::Kind::LinkNotFollowed};
  }
  return unreadable(link, cause);
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
  skipped_.clear();
  startFolderRefused_ = false;
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
  // A folder that cannot be listed, or a link that cannot be resolved, is noted and left
  // out; the search goes on with the rest of the queue.
  const auto follows = [&](const std::string& link) {
    try {
      const std::optional<fs::path> covering = loopGuard.coveringTree(link);
      if (!covering) return true;
      skipped_.push_back(
          {link, "a link to " + fromFsPath(*covering) + ", which the search covers already",
           SkippedFolder::Kind::LinkNotFollowed});
    } catch (const fs::filesystem_error& error) {
      skipped_.push_back(unfollowable(link, error.code()));
    }
    return false;
  };
  for (; current <= queued; ++current) {
    const std::string dir = folders.item(static_cast<std::size_t>(current));
    FolderListing listing;
    try {
      listing = listFolder(dir);
    } catch (const fs::filesystem_error& error) {
      skipped_.push_back(unreadable(dir, error.code()));
      startFolderRefused_ = current == 1;
      continue;
    }
    for (const UnfollowableLink& link : listing.unfollowable) {
      skipped_.push_back(unfollowable(dir + link.name, link.cause));
    }
    for (const ListedFolder& sub : listing.subfolders) {
      if (sub.isLink && !follows(dir + sub.name)) continue;
      ++queued;
      folders.add(dir + sub.name + kPathSeparator, listKey(queued));
      yieldNow();
    }
    for (const std::string& file : listing.files) {
      const std::string key = listKey(count_);
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
  }
}

}  // namespace mailferry::sources
