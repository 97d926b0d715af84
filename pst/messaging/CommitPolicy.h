// When the store commits on its own during long work, so that a crash loses at most the work
// since the last commit while the cost of commits (B-trees, maps, header, changed tables)
// stays small next to the items written.
#pragma once

#include <cstdint>

namespace mailferry::pst {

struct CommitPolicy {
  // Defaults: every 1,000 saved items or 32 MiB appended, whichever comes first. A commit
  // rewrites the node and block B-trees and the changed table pages; at these intervals that
  // is a few percent of the bytes written (see the pstgen benchmark).
  std::uint32_t itemsPerCommit = 1000;
  std::uint64_t bytesPerCommit = 32ull << 20;

  bool due(std::uint32_t itemsSinceCommit, std::uint64_t bytesSinceCommit) const {
    return (itemsPerCommit != 0 && itemsSinceCommit >= itemsPerCommit) ||
           (bytesPerCommit != 0 && bytesSinceCommit >= bytesPerCommit);
  }
};

}  // namespace mailferry::pst
