// pathLogger collects every file below a start folder, level by level, into shared lists;
// folders it cannot list and links back into the searched tree are noted and passed over.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sources/KeyedList.h"
#include "sources/SkippedFolders.h"

namespace mailferry::sources {

class pathLogger {
 public:
  using StringList = KeyedList<std::string>;
  using PointerList = KeyedList<std::int32_t>;

  // yieldToUi runs after every queued subfolder and every recorded file.
  explicit pathLogger(std::function<void()> yieldToUi = {});

  void PathLogInit();
  void LogPath(const std::string& start);
  std::int32_t Count() const { return count_; }
  // The folders the last search could not list and the links it did not follow, in the
  // order met; the search went on past each.
  const std::vector<SkippedFolder>& skippedFolders() const { return skipped_; }
  // True when the start folder itself could not be listed: nothing was searched.
  bool startFolderRefused() const { return startFolderRefused_; }
  void Terminate();

  bool fullFileNamesOnly() const { return fullFileNamesOnly_; }
  void fullFileNamesOnly(bool value) { fullFileNamesOnly_ = value; }

  // Each accessor hands out the list itself; the taker keeps it alive after Terminate.
  std::shared_ptr<StringList> fileNames();
  std::shared_ptr<StringList> pathNames();
  std::shared_ptr<PointerList> pathPointers();
  std::shared_ptr<StringList> fullFileNames();

 private:
  static std::string AddBackslash(const std::string& path);

  std::function<void()> yield_;
  std::int32_t count_ = 0;
  bool fullFileNamesOnly_ = false;
  std::vector<SkippedFolder> skipped_;
  bool startFolderRefused_ = false;
  std::shared_ptr<StringList> fileNames_;
  std::shared_ptr<StringList> pathNames_;
  std::shared_ptr<PointerList> pathPointers_;
  std::shared_ptr<StringList> fullFileNames_;
};

}  // namespace mailferry::sources
