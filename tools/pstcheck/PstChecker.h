// The structure checker behind the pstcheck tool: verifies a PST file's node database,
// heaps and tables, and messaging objects, and names every violation it reaches with its offset.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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

struct CheckOptions {
  // Checking stops once this many findings are recorded (0: no limit).
  std::size_t maxFindings = 50;
  // Receives one line per group of invariants that held.
  CheckLog log;
};

struct CheckReport {
  CheckSummary summary;
  // Each violation found (Kind::Corrupt, or Kind::Io when the file cannot be read), in the
  // order the checks met them, with the file offset where one applies.
  std::vector<pst::PstError> findings;
  // Why checking ended before every check ran (the limit, or a fault that leaves nothing
  // further to check, such as an unreadable header); empty when every check ran.
  std::string stoppedEarly;
  bool ok() const { return findings.empty(); }
};

// Runs every check it can reach: a violation ends only the check that met it (one block, one
// node, one folder, one group of header fields), and the other checks go on.
CheckReport checkPstFully(const std::filesystem::path& file, const CheckOptions& options = {});

// Runs every check; throws the first finding of checkPstFully as mailferry::pst::PstError (with
// the file offset of the violation where one applies). log, when set, receives one line per
// group of invariants that held.
CheckSummary checkPst(const std::filesystem::path& file, const CheckLog& log = {});

}  // namespace mailferry::pstcheck
