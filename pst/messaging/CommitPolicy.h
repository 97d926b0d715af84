// When the store commits on its own during long work, so that a crash loses at most the work
// since the last commit while the cost of commits (B-trees, maps, header, changed tables)
// stays small next to the items written.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace mailferry::pst {

struct CommitPolicy {
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // Defaults: every 10,000 saved items or 256 MiB appended, whichever comes first; that is
  // one to two seconds of writing. A commit rewrites the changed pages of the node and block
  // B-trees and of the tables and waits for four syncs of the file (each a disk round trip
  // whatever its size); at a tenth of these intervals the syncs alone took a fifth of the
  // run time (see the pstgen benchmark).
  std::uint32_t itemsPerCommit = 10000;
  std::uint64_t bytesPerCommit = 256ull << 20;
  // ... or 3 seconds after the last commit, when items come slowly (large or hard-to-read
  // source files, a slow disk): a crash then loses at most about 3 seconds of work. At most
  // one commit every 3 seconds costs well under 1% even where a commit waits 20 ms for the
  // disk, and it runs in the background while the next items are written. (0: off.)
  std::chrono::milliseconds interval{3000};
  // Where the time since the last commit comes from; tests put in their own.
  Clock now = [] { return std::chrono::steady_clock::now(); };

  bool due(std::uint32_t itemsSinceCommit, std::uint64_t bytesSinceCommit,
           std::chrono::steady_clock::duration sinceCommit = {}) const {
    return (itemsPerCommit != 0 && itemsSinceCommit >= itemsPerCommit) ||
           (bytesPerCommit != 0 && bytesSinceCommit >= bytesPerCommit) ||
           (interval.count() != 0 && sinceCommit >= interval);
  }
};

}  // namespace mailferry::pst
