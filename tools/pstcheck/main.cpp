// pstcheck FILE.pst [--verbose]: verifies a PST's structure; exits 0 with a summary, or 1
// naming the offset of the first violation.
#include <cstring>
#include <iostream>

#include "pst/PstError.h"
#include "pst/ndb/Ids.h"
#include "tools/pstcheck/PstChecker.h"

int main(int argc, char** argv) {
  bool verbose = false;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--verbose") == 0 || std::strcmp(argv[i], "-v") == 0) {
      verbose = true;
    } else if (argv[i][0] == '-' || file) {
      std::cerr << "usage: pstcheck FILE.pst [--verbose]\n";
      return 2;
    } else {
      file = argv[i];
    }
  }
  if (!file) {
    std::cerr << "usage: pstcheck FILE.pst [--verbose]\n";
    return 2;
  }
  try {
    mailferry::pstcheck::CheckLog log;
    if (verbose) log = [](const std::string& line) { std::cout << "  ok: " << line << '\n'; };
    const auto s = mailferry::pstcheck::checkPst(file, log);
    std::cout << file << ": OK: " << s.nodes << " nodes, " << s.blocks << " blocks, " << s.pages
              << " pages, " << s.heaps << " heaps, " << s.tables << " tables, " << s.folders
              << " folders, " << s.messages << " messages\n";
    return 0;
  } catch (const mailferry::pst::PstError& e) {
    std::cout << file << ": FAILED";
    if (e.offset() >= 0) std::cout << " at offset 0x" << std::hex << std::uppercase << e.offset();
    std::cout << ": " << e.what() << '\n';
    return 1;
  } catch (const std::exception& e) {
    std::cout << file << ": FAILED: " << e.what() << '\n';
    return 1;
  }
}
