// The structure checker behind the pstcheck tool: verifies a PST file's node database,
// heaps and tables, and messaging objects, and names the offset of the first violation.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

#include "pst/PstError.h"

namespace mailferry::pstcheck {

struct CheckSummary {
  std::size_t nodes = 0;
  std::size_t blocks = 0;
  std::size_t pages = 0;
  std::size_t heaps = 0;
  std::size_t tables = 0;
  std::size_t folders = 0;
  std::size_t messages = 0;
};

using CheckLog = std::function<void(const std::string&)>;

// Runs every check. Throws mailferry::pst::PstError (with the file offset of the violation
// where one applies) at the first violation; log, when set, receives one line per group of
// invariants that held.
CheckSummary checkPst(const std::filesystem::path& file, const CheckLog& log = {});

}  // namespace mailferry::pstcheck
