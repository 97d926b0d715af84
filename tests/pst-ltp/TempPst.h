// A fresh PST path in a temporary folder of its own, removed with the folder at the end.
#pragma once

#include <filesystem>

#include "tests/support/TempFolder.h"

namespace mailferry::pst::testing {

class TempPst {
 public:
  std::filesystem::path path() const { return folder_ / "test.pst"; }

 private:
  mailferry::testing::TempFolder folder_{"ltp"};
};

}  // namespace mailferry::pst::testing
