// A fresh PST path in a temporary folder of its own, removed with the folder at the end.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace mailferry::pst::testing {

class TempPst {
 public:
  TempPst() {
    std::random_device random;
    dir_ = std::filesystem::temp_directory_path() /
           ("mailferry-ltp-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(dir_);
  }
  ~TempPst() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TempPst(const TempPst&) = delete;
  TempPst& operator=(const TempPst&) = delete;
  std::filesystem::path path() const { return dir_ / "test.pst"; }

 private:
  std::filesystem::path dir_;
};

}  // namespace mailferry::pst::testing
