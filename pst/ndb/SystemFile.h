// The system calls behind OutputFile, one implementation per system (SystemFilePosix.cpp,
// SystemFileWindows.cpp): exclusive creation, positioned reads and writes, the file size, a
// sync to the disk, the file's identity, and page-aligned write buffers. Failures are PstErrors
// naming the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "pst/ndb/FileIdentity.h"

namespace mailferry::pst {

class SystemFile {
 public:
  // Creates the file for reading and writing; fails with PstError when the path exists: a file
  // is never overwritten.
  explicit SystemFile(const std::filesystem::path& path);
  ~SystemFile();
  SystemFile(const SystemFile&) = delete;
  SystemFile& operator=(const SystemFile&) = delete;

  // Writes all `size` bytes at `offset`.
  void writeAt(const std::uint8_t* bytes, std::size_t size, std::uint64_t offset) const;
  // Reads all `size` bytes at `offset`; fails at the end of the file.
  void readAt(std::uint8_t* bytes, std::size_t size, std::uint64_t offset) const;
  void setSize(std::uint64_t size) const;
  void sync() const;
  FileIdentity identity() const;
  // Drops clean pages of [from, to) from the system's file cache where the system can.
  void releaseCached(std::uint64_t from, std::uint64_t to) const;

  // Memory for write buffers: aligned to `alignment`, on huge pages where the system has them.
  static void* allocateBuffer(std::size_t size, std::size_t alignment);
  static void freeBuffer(void* p);

 private:
  [[noreturn]] void fail(const char* what, std::uint64_t offset) const;

  std::filesystem::path path_;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace mailferry::pst
