// Runs pstcheck and the independent readers on a written store.
#include "tests/pst-readers/ReaderOracle.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <memory>

namespace mailferry::pst::testing {

namespace {
std::string env(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v ? v : fallback;
}
}  // namespace

std::string quoted(const std::filesystem::path& path) {
  std::string out = "'";
  for (char c : path.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

CommandResult run(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  for (char buf[4096]; std::fgets(buf, sizeof buf, pipe);) result.output += buf;
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

CommandResult pstcheck(const std::filesystem::path& pst) {
  return run(quoted(std::filesystem::path(env("MAILFERRY_BIN_DIR", ".")) / "pstcheck") + " " +
             quoted(pst));
}

CommandResult compareReaders(const std::filesystem::path& pst,
                             const std::filesystem::path& expected, const std::string& extra,
                             const std::filesystem::path& keepDir) {
  std::string cmd =
      quoted(std::filesystem::path(env("MAILFERRY_ORACLES", ".")) / "compare-readers") + " " +
      quoted(pst) + " --expect " + quoted(expected);
  if (!extra.empty()) cmd += " " + extra;
  if (!keepDir.empty()) cmd += " --keep " + quoted(keepDir);
  return run(cmd);
}

std::set<std::string> keptFolderPaths(const std::filesystem::path& keepDir,
                                      const std::string& reader) {
  std::set<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(keepDir)) {
    if (entry.path().filename().string().find(reader) == std::string::npos) continue;
    std::ifstream in(entry.path());
    const std::string key = "\"path\": \"";
    for (std::string line; std::getline(in, line);) {
      const auto at = line.find(key);
      if (at == std::string::npos) continue;
      const auto start = at + key.size();
      paths.insert(line.substr(start, line.rfind('"') - start));
    }
  }
  return paths;
}

std::string sha256Hex(const std::filesystem::path& file) {
  const auto result = run("sha256sum " + quoted(file));
  return result.output.substr(0, 64);
}

}  // namespace mailferry::pst::testing
