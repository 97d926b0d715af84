// pstgen OUT.pst [--folders N] [--depth D] [--messages M] [--contacts C] [--attachment-kb K]
// [--body-kb B] [--progress N]: writes a synthetic store for tests and measurements.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "pst/PstError.h"
#include "pst/ndb/Ids.h"
#include "tools/pstgen/SyntheticStore.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: pstgen OUT.pst [--folders N] [--depth D] [--messages M] [--contacts C]\n"
               "              [--attachment-kb K] [--body-kb B] [--progress N]\n");
  return 2;
}

bool parseCount(const char* text, std::uint32_t& out) {
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (end == text || *end != '\0' || v > 0xFFFFFFFFull) return false;
  out = static_cast<std::uint32_t>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace mailferry;
  if (argc < 2) return usage();
  std::filesystem::path out;
  pstgen::SyntheticOptions options;
  std::uint32_t progressEvery = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::uint32_t* target = nullptr;
    if (arg == "--folders")
      target = &options.folders;
    else if (arg == "--depth")
      target = &options.depth;
    else if (arg == "--messages")
      target = &options.messages;
    else if (arg == "--contacts")
      target = &options.contacts;
    else if (arg == "--attachment-kb")
      target = &options.attachmentKb;
    else if (arg == "--body-kb")
      target = &options.bodyKb;
    else if (arg == "--progress")
      target = &progressEvery;
    if (target != nullptr) {
      if (i + 1 >= argc || !parseCount(argv[++i], *target)) {
        std::fprintf(stderr, "pstgen: %s needs a whole number\n", arg.c_str());
        return 2;
      }
    } else if (arg.starts_with("--") || !out.empty()) {
      return usage();
    } else {
      out = arg;
    }
  }
  if (out.empty()) return usage();

  const auto start = std::chrono::steady_clock::now();
  auto seconds = [&start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  options.progressEvery = progressEvery;
  options.progress = [&](std::uint64_t items, pst::PstStore&) {
    std::fprintf(stderr, "items %llu elapsed %.3f s\n", static_cast<unsigned long long>(items),
                 seconds());
  };
  try {
    pstgen::writeSyntheticStore(out, options);
  } catch (const pst::PstError& e) {
    std::fprintf(stderr, "pstgen: %s%s%s\n", e.what(), e.file().empty() ? "" : " in ",
                 e.file().c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pstgen: %s\n", e.what());
    return 1;
  }
  std::printf("wrote %s: %u folders, %u messages, %u contacts, %llu bytes in %.3f s\n",
              out.string().c_str(), options.folders, options.messages, options.contacts,
              static_cast<unsigned long long>(std::filesystem::file_size(out)), seconds());
  return 0;
}
