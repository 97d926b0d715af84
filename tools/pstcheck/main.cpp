// pstcheck FILE.pst [--verbose] [--max-findings N]: verifies a PST's structure; exits 0 with
// a summary, or 1 naming each violation found (up to N) with its offset.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "pst/PstError.h"
#include "tools/pstcheck/PstChecker.h"

namespace {

constexpr const char* kUsage = "usage: pstcheck FILE.pst [--verbose] [--max-findings N]\n";

// A count of 1 or more.
bool parseCount(const char* text, std::size_t& count) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (end == text || *end != '\0' || value == 0 || text[0] == '-') return false;
  count = static_cast<std::size_t>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  mailferry::pstcheck::CheckOptions options;
  bool verbose = false;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--verbose") == 0 || std::strcmp(argv[i], "-v") == 0) {
      verbose = true;
    } else if (std::strcmp(argv[i], "--max-findings") == 0 && i + 1 < argc &&
               parseCount(argv[i + 1], options.maxFindings)) {
      ++i;
    } else if (argv[i][0] == '-' || file) {
      std::cerr << kUsage;
      return 2;
    } else {
      file = argv[i];
    }
  }
  if (!file) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    if (verbose)
      options.log = [](const std::string& line) { std::cout << "  ok: " << line << '\n'; };
    const auto report = mailferry::pstcheck::checkPstFully(file, options);
    if (report.ok()) {
      const auto& s = report.summary;
      std::cout << file << ": OK: " << s.nodes << " nodes, " << s.blocks << " blocks, " << s.pages
                << " pages, " << s.heaps << " heaps, " << s.tables << " tables, " << s.folders
                << " folders, " << s.messages << " messages\n";
      return 0;
    }
    for (const auto& e : report.findings) {
      std::cout << file << ": FAILED";
      if (e.offset() >= 0) std::cout << " at offset 0x" << std::hex << std::uppercase << e.offset();
      std::cout << std::dec << ": " << e.what() << '\n';
    }
    std::cout << file << ": " << report.findings.size()
              << (report.findings.size() == 1 ? " finding" : " findings");
    if (!report.stoppedEarly.empty())
      std::cout << "; checking stopped early: " << report.stoppedEarly;
    std::cout << '\n';
    return 1;
  } catch (const std::exception& e) {
    std::cout << file << ": FAILED: " << e.what() << '\n';
    return 1;
  }
}
