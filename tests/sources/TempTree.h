// A temporary folder tree for one test, removed with everything below it afterwards.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "sources/FsPath.h"
#include "sources/PathSeparator.h"

namespace mailferry::sources::testing {

class TempTree {
 public:
  TempTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mailferry-sources-XXXXXX");
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    // Readable by others, so that a test may search it under a less privileged user.
    std::filesystem::permissions(root_, std::filesystem::perms(0755));
  }
  ~TempTree() {
    // Give back access to folders a test closed, so that they can be removed.
    restoreAccess(root_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
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
  static void restoreAccess(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::permissions(dir, std::filesystem::perms(0755), ec);
    for (auto it = std::filesystem::directory_iterator(dir, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) restoreAccess(it->path());
    }
  }

  std::filesystem::path root_;
};

}  // namespace mailferry::sources::testing
