// libFuzzer target: any bytes as a PST file through every check of pstcheck. Crashes, leaks,
// hangs and undefined behaviour are findings; a report of violations is the checker's normal
// answer to a damaged file. The bytes reach the checker as a file in memory (memfd).
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/pstcheck/PstChecker.h"

namespace {

// One memory file for the whole run, rewritten for each input.
int memoryFile() {
  static const int fd = [] {
    const int f = memfd_create("fuzz.pst", 0);
    if (f < 0) std::abort();
    return f;
  }();
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int fd = memoryFile();
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
    std::abort();
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  const auto report = mailferry::pstcheck::checkPstFully(path, {});
  // Every finding names a fault; an empty report is a pass.
  for (const auto& finding : report.findings)
    if (std::string(finding.what()).empty()) std::abort();
  return 0;
}
