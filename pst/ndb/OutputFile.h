// The file a node database is written to: created exclusively, appended to through large
// buffers that a writer thread finishes and writes while the next one fills, patched in place
// only at fixed places (maps, header), and synced at commits. The writes at fixed places and
// the syncs queued behind appends are done by a second thread once those appends are written,
// so that the next appends go on while a sync waits for the disk.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "pst/ndb/SystemFile.h"

namespace mailferry::pst {

class OutputFile {
 public:
  // Finishes, on the writer thread and just before it is written, an area appended with
  // `sealLater` (for a block: its encoding and CRC). It may read and change that area only.
  using Sealer = std::function<void(std::span<std::uint8_t> area)>;

  // What happens to the file's pages in the system's file cache once a sync has put them on
  // disk: kept there, or released (see releaseSynced).
  enum class SyncedPages { Kept, Released };

  // Fails with PstError when the path exists: a file is never overwritten.
  explicit OutputFile(const std::filesystem::path& path, Sealer sealer = {},
                      SyncedPages syncedPages = SyncedPages::Kept);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::filesystem::path& path() const { return path_; }
  FileIdentity identity() const { return file_.identity(); }

  // Bytes written at `offset`, which must not lie before the end of the previous append; the
  // gap between the two, if any, is zero-filled.
  void append(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  // An area of `size` bytes at `offset` for the caller to fill completely, in place, before
  // the next call on this object (saves a copy for blocks built directly in the buffer).
  std::span<std::uint8_t> appendInPlace(std::uint64_t offset, std::size_t size,
                                        bool sealLater = false);
  std::uint64_t appendEnd() const { return current_.start + current_.size; }

  // Bytes appended earlier: straight from the buffer being filled while they are still in it
  // (as appended: an area sealed later is not sealed yet), else as they are in the file, once
  // the batch that holds them is written. A read never waits for later appends or for a sync.
  std::vector<std::uint8_t> readAppended(std::uint64_t offset, std::size_t size);

  // Bytes written over an area appended earlier: in place while that area is still in the
  // buffer being filled, else like queueWriteAt but queued behind the appends handed over so
  // far only, leaving the buffer being filled to go on growing.
  void patchAppended(std::uint64_t offset, std::span<const std::uint8_t> bytes);

  // A write at a fixed place (maps, header), a new file size and a sync, done by the threads
  // in order after everything handed over before them while the caller goes on; a failure is
  // thrown by a later call, and no later work reaches the file.
  void queueWriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  void queueSetSize(std::uint64_t size);
  void queueSync();

  // Waits until everything handed over so far is done; rethrows the writer's failure.
  void drain();

 private:
  struct FreeBuffer {
    void operator()(std::uint8_t* p) const;
  };
  using Buffer = std::unique_ptr<std::uint8_t[], FreeBuffer>;
  static Buffer newBuffer();
  struct Batch {
    Buffer bytes;
    std::size_t size = 0;
    std::uint64_t start = 0;                                 // file offset of bytes[0]
    std::vector<std::pair<std::size_t, std::size_t>> seals;  // (position, size) in bytes
  };

  // One piece of the threads' work, in file order.
  struct Piece {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> bytes;
  };
  struct Job {
    enum class Kind { Append, WriteAt, SetSize, Sync };
    Kind kind = Kind::Append;
    Batch batch;                // Append
    std::vector<Piece> pieces;  // WriteAt: what goes where
    std::uint64_t offset = 0;   // SetSize: the size; Sync: the end of the appends before it
  };

  // Hands the pending appends to the writer thread.
  void flush();
  // Hands a job to the threads behind everything appended so far, or, without `flushFirst`,
  // behind the appends already handed over.
  void enqueue(Job job, bool flushFirst = true);
  static Job writeAtJob(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  void run(Job& job);
  // Runs `job` with the lock released and `busy` set, and records its failure.
  void runUnlocked(Job& job, bool& busy, std::unique_lock<std::mutex>& lock);
  void writerLoop();
  void syncerLoop();
  void writeBatch(Batch& batch) const;
  void releaseSynced(std::uint64_t end);
  void rethrowWriterFailure();

  std::filesystem::path path_;
  Sealer sealer_;
  SyncedPages syncedPages_;
  std::uint64_t releasedTo_ = 0;  // the syncer's: pages before this were released
  SystemFile file_;
  Batch current_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;      // handed over, not yet done
  std::deque<Job> syncQueue_;  // WriteAt and Sync jobs whose earlier appends are written
  std::size_t queuedBatches_ = 0;
  std::uint64_t appendsWrittenTo_ = 0;  // every append before this offset is in the file
  std::vector<Batch> spares_;           // written, ready for reuse
  bool writing_ = false;
  bool syncing_ = false;
  bool stopping_ = false;
  bool writerDone_ = false;
  std::exception_ptr writerFailure_;
  std::thread writer_;
  std::thread syncer_;
};

}  // namespace mailferry::pst
