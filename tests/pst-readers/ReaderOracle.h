// Runs pstcheck and the independent readers (compare-readers) on a written store, and writes
// the expectation files they check against.
#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace mailferry::pst::testing {

struct CommandResult {
  int status = -1;
  std::string output;
};

CommandResult run(const std::string& command);
std::string quoted(const std::filesystem::path& path);

// pstcheck FILE: status 0 when every structural invariant holds.
CommandResult pstcheck(const std::filesystem::path& pst);
// compare-readers FILE --expect EXPECTED [extra arguments]; keeps each reader's JSON in
// keepDir when it is given.
CommandResult compareReaders(const std::filesystem::path& pst,
                             const std::filesystem::path& expected, const std::string& extra = {},
                             const std::filesystem::path& keepDir = {});
// The folder paths in a reader's kept JSON (pypff lists empty folders too).
std::set<std::string> keptFolderPaths(const std::filesystem::path& keepDir,
                                      const std::string& reader = "pypff");

std::string sha256Hex(const std::filesystem::path& file);

}  // namespace mailferry::pst::testing
