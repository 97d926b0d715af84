// Runs the structural checker and the three independent PST readers on a file a test wrote:
// `pstcheck` and tests/oracles/compare-readers (see tests/oracles/README.md).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace mailferry::testing {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

inline CommandResult runCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
    result.output.append(buffer, n);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline std::string environmentOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

// pstcheck FILE: exit 0 when every structural invariant holds.
inline CommandResult pstcheck(const std::filesystem::path& pst) {
  const std::string bin = environmentOr("MAILFERRY_BIN_DIR", "build/bin");
  return runCommand(shellQuote(bin + "/pstcheck") + " " + shellQuote(pst.string()));
}

// compare-readers FILE [--expect JSON] [extra]: exit 0 when the three readers open the file
// without a warning, agree, and match the expectation.
inline CommandResult compareReaders(const std::filesystem::path& pst,
                                    const std::string& expectedJson = {},
                                    const std::string& extraArguments = {}) {
  const std::string oracles = environmentOr("MAILFERRY_ORACLES", "tests/oracles");
  std::string command = shellQuote(oracles + "/compare-readers") + " " + shellQuote(pst.string());
  if (!expectedJson.empty()) {
    const auto expectation = std::filesystem::path(pst).replace_extension(".expected.json");
    std::ofstream(expectation) << expectedJson;
    command += " --expect " + shellQuote(expectation.string());
  }
  if (!extraArguments.empty()) command += " " + extraArguments;
  return runCommand(command);
}

}  // namespace mailferry::testing
