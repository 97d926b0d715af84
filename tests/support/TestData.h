// Where the tests find the files kept in tests/data: one place, so that a missing file fails
// the test with the path that was looked for instead of crashing further on.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace mailferry::testing {

// tests/data of the source tree: MAILFERRY_SOURCE_DIR when ctest sets it, else the source
// folder the test was built from.
inline std::filesystem::path testDataDir() {
  if (const char* dir = std::getenv("MAILFERRY_SOURCE_DIR")) {
    return std::filesystem::path(dir) / "tests" / "data";
  }
#ifdef MAILFERRY_SOURCE_DIR_AT_BUILD
  return std::filesystem::path(MAILFERRY_SOURCE_DIR_AT_BUILD) / "tests" / "data";
#else
  return std::filesystem::path("tests") / "data";
#endif
}

// A file below tests/data; throws, naming the path, when it is not there.
inline std::filesystem::path testDataFile(const std::string& relative) {
  const std::filesystem::path path = testDataDir() / relative;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    throw std::runtime_error("test data file not found: " + path.string());
  }
  return path;
}

// A small Unicode PST written by Outlook itself (see tests/data/reference/NOTICE).
inline std::filesystem::path referencePst() {
  return testDataFile("reference/outlook-made.pst");
}

}  // namespace mailferry::testing
