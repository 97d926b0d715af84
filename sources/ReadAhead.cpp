#include "sources/ReadAhead.h"

#include "sources/FsPath.h"
#include "sources/SourcePathPieces.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace mailferry::sources {

namespace {

// Asks the system to bring the file into its cache without waiting for the reads; returns
// its size, or 0 when it is no regular file that can be opened.
std::uint64_t askToRead(const PackedPathList::Char* path) {
#if defined(__linux__)
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return 0;
  struct stat about {};
  std::uint64_t size = 0;
  if (::fstat(fd, &about) == 0 && S_ISREG(about.st_mode)) {
    size = static_cast<std::uint64_t>(about.st_size);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
  }
  ::close(fd);
  return size;
#else
  (void)path;  // elsewhere the system's own read-ahead within each file has to do
  return 0;
#endif
}

}  // namespace

ReadAhead::ReadAhead(PackedPathList files, Window window)
    : files_(std::move(files)), window_(window), sizes_(files_.size(), 0) {
#if defined(__linux__)
  if (!files_.empty()) {
    worker_ = std::thread([this] {
      try {
        work();
      } catch (...) {
        // Reading ahead is only a hint to the system: the run reads every file itself, so
        // a worker that fails simply stops asking.
        std::lock_guard lock(mutex_);
        workerWaiting_ = true;
        idle_.notify_all();
      }
    });
  }
#endif
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void ReadAhead::reached(std::size_t index) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    while (current_ < index && current_ < files_.size()) {
      if (current_ < next_) bytesAhead_ -= sizes_[current_];
      ++current_;
    }
    if (next_ < current_) next_ = current_;  // the run overtook the read-ahead
    wake = workerWaiting_ && refillDue();
    if (wake) workerWaiting_ = false;  // busy again from now, as far as the run can tell
  }
  if (wake) changed_.notify_all();
}

std::size_t ReadAhead::requested() const {
  std::lock_guard lock(mutex_);
  return next_;
}

std::size_t ReadAhead::requestedWhenIdle() const {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return !worker_.joinable() || workerWaiting_; });
  return next_;
}

bool ReadAhead::refillDue() const {
  // The worker waits until a quarter of the window is free, so that it wakes once for a few
  // files rather than once for each.
  if (next_ >= files_.size()) return false;
  if (next_ == current_) return true;
  return next_ - current_ <= window_.files - window_.files / 4 &&
         bytesAhead_ <= window_.bytes - window_.bytes / 4;
}

bool ReadAhead::roomAhead() const {
  return next_ < files_.size() && next_ - current_ < window_.files &&
         (bytesAhead_ < window_.bytes || next_ == current_);
}

void ReadAhead::work() {
  std::unique_lock lock(mutex_);
  while (true) {
    if (!roomAhead()) {
      workerWaiting_ = true;
      idle_.notify_all();
      changed_.wait(lock, [this] { return stopping_ || refillDue(); });
      workerWaiting_ = false;
    }
    if (stopping_) return;
    const std::size_t index = next_;
    lock.unlock();
    const std::uint64_t size = askToRead(files_.at(index));
    lock.lock();
    if (index != next_) continue;  // the run went past it meanwhile
    sizes_[index] = size;
    bytesAhead_ += size;
    ++next_;
  }
}

PackedPathList packedPaths(const std::vector<std::string>& listed) {
  PackedPathList files;
  for (const std::string& path : listed) files.add(toFsPath(splitSourcePath(path).fullPath));
  return files;
}

}  // namespace mailferry::sources
