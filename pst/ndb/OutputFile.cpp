// Exclusive creation, buffered appends and synced in-place writes of a node database file.
#include "pst/ndb/OutputFile.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <utility>

#include "pst/PstError.h"
#include "pst/ndb/Ids.h"

namespace mailferry::pst {

namespace {
// Large enough that a stream of full blocks costs one write call per few hundred blocks.
constexpr std::size_t kBufferCapacity = 4 << 20;
// Buffers handed over and not yet written: enough to keep the writer busy, few enough that
// memory stays small when the disk is the slower side.
constexpr std::size_t kMaxQueued = 2;
}  // namespace

OutputFile::OutputFile(const std::filesystem::path& path, Sealer sealer, SyncedPages syncedPages)
    : path_(path), sealer_(std::move(sealer)), syncedPages_(syncedPages), file_(path) {
  current_.bytes = newBuffer();
  writer_ = std::thread([this] { writerLoop(); });
  syncer_ = std::thread([this] { syncerLoop(); });
}

OutputFile::~OutputFile() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  writer_.join();
  syncer_.join();
}

void OutputFile::FreeBuffer::operator()(std::uint8_t* p) const {
  SystemFile::freeBuffer(p);
}

// A few buffers live as long as the file. On huge pages where the system has them, the first
// filling of each takes two page faults instead of a thousand (a fault can cost tens of
// microseconds in a virtual machine).
OutputFile::Buffer OutputFile::newBuffer() {
  constexpr std::size_t kHugePage = 2 << 20;
  static_assert(kBufferCapacity % kHugePage == 0);
  return Buffer(static_cast<std::uint8_t*>(SystemFile::allocateBuffer(kBufferCapacity, kHugePage)));
}

std::span<std::uint8_t> OutputFile::appendInPlace(std::uint64_t offset, std::size_t size,
                                                  bool sealLater) {
  if (offset < appendEnd()) {
    throw PstError(PstError::Kind::Misuse, "append before the end of the previous one",
                   path_.string(), static_cast<std::int64_t>(offset));
  }
  if (size > kBufferCapacity) {
    throw PstError(PstError::Kind::Misuse, "append larger than the write buffer", path_.string(),
                   static_cast<std::int64_t>(offset));
  }
  if (offset + size - current_.start > kBufferCapacity && current_.size > 0) flush();
  if (current_.size == 0) current_.start = offset;  // nothing pending: the gap stays a hole
  const std::size_t at = static_cast<std::size_t>(offset - current_.start);
  std::memset(current_.bytes.get() + current_.size, 0, at - current_.size);
  current_.size = at + size;
  if (sealLater) current_.seals.emplace_back(at, size);
  return {current_.bytes.get() + at, size};
}

void OutputFile::append(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  auto dest = appendInPlace(offset, bytes.size());
  std::memcpy(dest.data(), bytes.data(), bytes.size());
}

void OutputFile::flush() {
  if (current_.size == 0) return;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queuedBatches_ < kMaxQueued || writerFailure_; });
  rethrowWriterFailure();
  Batch next;
  if (!spares_.empty()) {
    next = std::move(spares_.back());
    spares_.pop_back();
  } else {
    next.bytes = newBuffer();
  }
  next.start = appendEnd();
  next.size = 0;
  next.seals.clear();
  Job job;
  job.batch = std::exchange(current_, std::move(next));
  queue_.push_back(std::move(job));
  ++queuedBatches_;
  lock.unlock();
  changed_.notify_all();
}

void OutputFile::enqueue(Job job, bool flushFirst) {
  if (flushFirst) flush();
  {
    std::lock_guard lock(mutex_);
    rethrowWriterFailure();
    // Writes queued one after another (the map pages and the header of a commit, a thousand
    // pages for a gigabyte written) travel as one job: one hand-over between the threads for
    // all of them instead of one for each 512-byte page. A job still queued is untouched by
    // the writer thread, which takes jobs out of the queue before it runs them.
    if (job.kind == Job::Kind::WriteAt && !queue_.empty() &&
        queue_.back().kind == Job::Kind::WriteAt) {
      auto& pieces = queue_.back().pieces;
      std::move(job.pieces.begin(), job.pieces.end(), std::back_inserter(pieces));
      return;
    }
    queue_.push_back(std::move(job));
  }
  changed_.notify_all();
}

void OutputFile::patchAppended(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (offset + bytes.size() > appendEnd()) {
    throw PstError(PstError::Kind::Misuse, "patch past the appended bytes", path_.string(),
                   static_cast<std::int64_t>(offset));
  }
  if (offset >= current_.start) {
    std::memcpy(current_.bytes.get() + (offset - current_.start), bytes.data(), bytes.size());
    return;
  }
  enqueue(writeAtJob(offset, bytes), offset + bytes.size() > current_.start);
}

void OutputFile::queueWriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  enqueue(writeAtJob(offset, bytes));
}

OutputFile::Job OutputFile::writeAtJob(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  Job job;
  job.kind = Job::Kind::WriteAt;
  job.pieces.push_back({offset, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
  return job;
}

void OutputFile::queueSetSize(std::uint64_t size) {
  Job job;
  job.kind = Job::Kind::SetSize;
  job.offset = size;
  enqueue(std::move(job));
}

void OutputFile::queueSync() {
  Job job;
  job.kind = Job::Kind::Sync;
  job.offset = appendEnd();
  enqueue(std::move(job));
}

void OutputFile::drain() {
  flush();
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] {
    return (queue_.empty() && !writing_ && syncQueue_.empty() && !syncing_) || writerFailure_;
  });
  rethrowWriterFailure();
}

void OutputFile::rethrowWriterFailure() {
  // The failure stays recorded: nothing appended after it can reach the file in order.
  if (writerFailure_) std::rethrow_exception(writerFailure_);
}

void OutputFile::writerLoop() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) break;  // stopping with nothing left
    Job job = std::move(queue_.front());
    queue_.pop_front();
    if (job.kind == Job::Kind::WriteAt || job.kind == Job::Kind::Sync) {
      // Everything appended before it is written: the syncer takes it from here.
      syncQueue_.push_back(std::move(job));
      changed_.notify_all();
      continue;
    }
    runUnlocked(job, writing_, lock);
    if (job.kind == Job::Kind::Append) {
      if (!writerFailure_) appendsWrittenTo_ = job.batch.start + job.batch.size;
      --queuedBatches_;
      spares_.push_back(std::move(job.batch));
    }
    changed_.notify_all();
  }
  writerDone_ = true;
  changed_.notify_all();
}

void OutputFile::syncerLoop() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return writerDone_ || !syncQueue_.empty(); });
    if (syncQueue_.empty()) return;  // the writer has stopped and handed over everything
    Job job = std::move(syncQueue_.front());
    syncQueue_.pop_front();
    runUnlocked(job, syncing_, lock);
    changed_.notify_all();
  }
}

void OutputFile::runUnlocked(Job& job, bool& busy, std::unique_lock<std::mutex>& lock) {
  busy = true;
  const bool skip = writerFailure_ != nullptr;  // after a failure nothing more is written
  lock.unlock();
  std::exception_ptr failure;
  if (!skip) {
    try {
      run(job);
    } catch (...) {
      failure = std::current_exception();
    }
  }
  lock.lock();
  busy = false;
  if (failure && !writerFailure_) writerFailure_ = failure;
}

void OutputFile::run(Job& job) {
  switch (job.kind) {
    case Job::Kind::Append:
      writeBatch(job.batch);
      break;
    case Job::Kind::WriteAt:
      for (const Piece& piece : job.pieces) {
        file_.writeAt(piece.bytes.data(), piece.bytes.size(), piece.offset);
      }
      break;
    case Job::Kind::SetSize:
      file_.setSize(job.offset);
      break;
    case Job::Kind::Sync:
      file_.sync();
      releaseSynced(job.offset);
      break;
  }
}

void OutputFile::writeBatch(Batch& batch) const {
  for (const auto& [at, size] : batch.seals) sealer_({batch.bytes.get() + at, size});
  file_.writeAt(batch.bytes.get(), batch.size, batch.start);
  // No writeback is started here. A commit still patches pages appended since the one before
  // (the map pages of the interval being filled, an FMap) and pages in older intervals where
  // blocks were freed, and a page patched after its writeback is written again together with
  // the pages the system keeps with it (up to 2 MB of a large file). Left to the commit's
  // sync, the disk writes about 2% more than the file holds; started here, about 9% more.
}

// A file of many gigabytes, once on disk, would otherwise fill the file cache and push out
// what the rest of the system had there (the very mail being converted, for one). Its pages
// are clean after the sync, so releasing them only drops them. What is read or patched later
// comes from the disk: the header and the few map pages a commit rewrites in older intervals
// (one 4 KB read each), and the rare internal block read back. The whole range is released at
// once: the system keeps large files in multi-page units and drops only the units that lie
// wholly inside a range, so a range with holes for the pages patched later dropped almost
// nothing.
void OutputFile::releaseSynced(std::uint64_t end) {
  if (syncedPages_ != SyncedPages::Released || end <= releasedTo_) return;
  file_.releaseCached(releasedTo_, end);
  // The unit holding `end` may reach past it and is then dropped by the next release, which
  // starts at the last boundary of the largest unit (2 MB) at or before `end`.
  releasedTo_ = end & ~std::uint64_t{(2 << 20) - 1};
}

std::vector<std::uint8_t> OutputFile::readAppended(std::uint64_t offset, std::size_t size) {
  if (offset >= current_.start && offset + size <= appendEnd()) {
    const std::uint8_t* from = current_.bytes.get() + (offset - current_.start);
    return std::vector<std::uint8_t>(from, from + size);
  }
  // Appends only move forward, so the batch that holds these bytes is written once the writer
  // has written up to their end; what comes after them need not be waited for.
  if (offset + size > current_.start) flush();
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return appendsWrittenTo_ >= offset + size || writerFailure_; });
    rethrowWriterFailure();
  }
  std::vector<std::uint8_t> out(size);
  file_.readAt(out.data(), size, offset);
  return out;
}

}  // namespace mailferry::pst
