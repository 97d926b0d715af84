// A temporary folder tree for one test, removed with everything below it afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "sources/FsPath.h"
#include "sources/PathSeparator.h"
#include "tests/support/TempFolder.h"

namespace mailferry::sources::testing {

class TempTree {
 public:
  TempTree() = default;
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The root as program text, without a trailing separator.
  std::string root() const { return fromFsPath(root_); }

  // Joins names below the root with the program's separator; '/' in relative separates.
  std::string path(const std::string& relative) const {
    std::string out = root();
    if (relative.empty()) return out;
    out += kPathSeparator;
    for (char c : relative) out += c == '/' ? kPathSeparator : c;
    return out;
  }

  void folder(const std::string& relative) const {
    std::filesystem::create_directories(toFsPath(path(relative)));
  }
  void file(const std::string& relative, const std::string& content = "x") const {
    const auto target = toFsPath(path(relative));
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << content;
  }

 private:
  // Removed with everything below it, closed folders included.
  mailferry::testing::TempFolder folder_{"sources"};
  std::filesystem::path root_ = folder_.path();
};

}  // namespace mailferry::sources::testing
