// pathLogger collects every file below a start folder, level by level, into shared lists.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sources/KeyedList.h"

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
  std::shared_ptr<StringList> fileNames_;
  std::shared_ptr<StringList> pathNames_;
  std::shared_ptr<PointerList> pathPointers_;
  std::shared_ptr<StringList> fullFileNames_;
};

}  // namespace mailferry::sources
