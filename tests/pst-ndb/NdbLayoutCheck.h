// An independent walk over the node database structures of a file, straight from its bytes:
// header, B-tree pages, block trailers, every map page, and the allocation bits against what
// the trees use. Faults are reported as gtest failures.
#pragma once

#include <cstdint>
#include <filesystem>

namespace mailferry::testing {

struct NdbLayout {
  std::uint64_t fileEof = 0;
  std::uint64_t intervals = 0;
  std::uint64_t nodes = 0;
  std::uint64_t blocks = 0;
  std::uint64_t btPages = 0;
  int nbtDepth = 0;
  int bbtDepth = 0;
  std::uint64_t freeBytes = 0;
  std::uint32_t unique = 0;
};

// `exactMaps`: the AMap bits must be exactly the slots of pages, blocks and map pages.
NdbLayout checkNdbLayout(const std::filesystem::path& file, bool exactMaps = true);

}  // namespace mailferry::testing
