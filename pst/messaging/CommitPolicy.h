// When the store commits on its own during long work, so that a crash loses at most the work
// since the last commit while the cost of commits (B-trees, maps, header, changed tables)
// stays small next to the items written.
#pragma once

#include <cstdint>

namespace mailferry::pst {

struct CommitPolicy {
  // Defaults: every 10,000 saved items or 256 MiB appended, whichever comes first; that is
  // one to two seconds of writing. A commit rewrites the changed pages of the node and block
  // B-trees and of the tables and waits for four syncs of the file (each a disk round trip
  // whatever its size); at a tenth of these intervals the syncs alone took a fifth of the
  // run time (see the pstgen benchmark).
  std::uint32_t itemsPerCommit = 10000;
  std::uint64_t bytesPerCommit = 256ull << 20;

  bool due(std::uint32_t itemsSinceCommit, std::uint64_t bytesSinceCommit) const {
    return (itemsPerCommit != 0 && itemsSinceCommit >= itemsPerCommit) ||
           (bytesPerCommit != 0 && bytesSinceCommit >= bytesPerCommit);
  }
};

}  // namespace mailferry::pst
