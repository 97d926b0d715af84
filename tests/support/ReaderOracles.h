// Runs the structural checker and the three independent PST readers on a file a test wrote:
// `pstcheck` and tests/oracles/compare-readers (see tests/oracles/README.md).
#pragma once

#ifndef _WIN32
#include <sys/wait.h>
#endif

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

// Runs a command line of the system's shell (sh; cmd.exe on Windows).
inline CommandResult runCommand(const std::string& command) {
  CommandResult result;
#ifdef _WIN32
  // cmd.exe drops the first and the last quote of a line that starts with one: wrap it.
  FILE* pipe = _popen(("\"" + command + " 2>&1\"").c_str(), "rb");
#else
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
#endif
  if (!pipe) return result;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
    result.output.append(buffer, n);
#ifdef _WIN32
  result.exitCode = _pclose(pipe);
  // Windows programs end their lines with "\r\n": the tests compare "\n" lines.
  for (auto at = result.output.find("\r\n"); at != std::string::npos;
       at = result.output.find("\r\n", at))
    result.output.erase(at, 1);
#else
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  return result;
}

inline std::string shellQuote(const std::string& text) {
#ifdef _WIN32
  return "\"" + text + "\"";  // paths and arguments hold no quote there
#else
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
#endif
}

inline std::string environmentOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

// pstcheck FILE: exit 0 when every structural invariant holds.
inline CommandResult pstcheck(const std::filesystem::path& pst) {
  const std::string bin = environmentOr("MAILFERRY_BIN_DIR", "build/bin");
#ifdef _WIN32
  const auto tool = std::filesystem::absolute(std::filesystem::path(bin) / "pstcheck.exe");
  return runCommand(shellQuote(tool.lexically_normal().make_preferred().string()) + " " +
                    shellQuote(pst.string()));
#else
  return runCommand(shellQuote(bin + "/pstcheck") + " " + shellQuote(pst.string()));
#endif
}

// compare-readers FILE [--expect JSON] [extra]: exit 0 when the three readers open the file
// without a warning, agree, and match the expectation.
// On Windows the readers, Linux programs, do not run: the result passes and says so once, and
// scripts/test-windows runs them on Linux over the PSTs that the Windows build writes.
inline CommandResult compareReaders(const std::filesystem::path& pst,
                                    const std::string& expectedJson = {},
                                    const std::string& extraArguments = {}) {
#ifdef _WIN32
  static bool told = false;
  if (!told) {
    std::fputs("[readers] not run on Windows (Linux programs); scripts/test-windows runs them\n",
               stderr);
    told = true;
  }
  (void)pst, (void)expectedJson, (void)extraArguments;
  return {0, "the PST readers do not run on Windows"};
#endif
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
