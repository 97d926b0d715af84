// A long list of file paths packed into one string: a std::filesystem::path keeps each of its
// components as a path of its own, some 400 bytes for a typical message file's path, which
// for a run over 100,000 files came to 40 MB.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

namespace mailferry::sources {

class PackedPathList {
 public:
  using Char = std::filesystem::path::value_type;

  void add(const std::filesystem::path& file) {
    starts_.push_back(chars_.size());
    chars_ += file.native();
    chars_.push_back(Char{});
  }
  std::size_t size() const { return starts_.size(); }
  bool empty() const { return starts_.empty(); }
  // The path at `index` in the system's own form, ended by a NUL.
  const Char* at(std::size_t index) const { return chars_.c_str() + starts_[index]; }

 private:
  std::filesystem::path::string_type chars_;
  std::vector<std::size_t> starts_;
};

}  // namespace mailferry::sources
