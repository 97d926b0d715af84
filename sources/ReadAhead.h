// Read-ahead over a run's list of source files: while one file is converted, the next few
// are read into the system's cache in the background, so that a run over files that are not
// cached yet keeps the disk busy instead of waiting for it file by file.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sources/PackedPathList.h"

namespace mailferry::sources {

class ReadAhead {
 public:
  // At most `files` files and about `bytes` bytes are asked for ahead of the current one.
  struct Window {
    std::size_t files = 32;
    std::uint64_t bytes = 64ull << 20;
  };

  // Starts reading the first file and on. Entries that are no readable file are passed over.
  ReadAhead(PackedPathList files, Window window);
  explicit ReadAhead(PackedPathList files) : ReadAhead(std::move(files), Window{}) {}
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The run has come to the file at `index`: what lies before it is no longer ahead.
  void reached(std::size_t index);

  // How many files have been asked for so far (for tests).
  std::size_t requested() const;
  // The same, once the worker has nothing left to do until the run moves on (for tests).
  std::size_t requestedWhenIdle() const;

 private:
  void work();
  // With the lock held: whether another file may be asked for, and whether enough room has
  // come free for the waiting worker to start again.
  bool roomAhead() const;
  bool refillDue() const;

  const PackedPathList files_;
  const Window window_;
  std::vector<std::uint64_t> sizes_;  // of each file asked for (0 when it could not be)
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  mutable std::condition_variable idle_;  // the worker went to wait, or ended
  std::size_t current_ = 0;               // the file the run is at
  std::size_t next_ = 0;                  // the next file to ask for
  std::uint64_t bytesAhead_ = 0;
  bool workerWaiting_ = false;  // or ended: it asks for nothing until woken
  bool stopping_ = false;
  std::thread worker_;
};

// The listed source paths of a run, trimmed as the runs read them, in list order.
PackedPathList packedPaths(const std::vector<std::string>& listed);

}  // namespace mailferry::sources
