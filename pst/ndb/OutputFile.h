// The file a node database is written to: created exclusively, appended to through a large
// buffer, patched in place only at fixed places (maps, header), and synced at commits.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace mailferry::pst {

class OutputFile {
 public:
  // Fails with PstError when the path exists: a file is never overwritten.
  explicit OutputFile(const std::filesystem::path& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Bytes written at `offset`, which must not lie before the end of the previous append; the
  // gap between the two, if any, is zero-filled.
  void append(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  // A zeroed area of `size` bytes at `offset`, to be filled by the caller in place before the
  // next call on this object (saves a copy for blocks built directly in the buffer).
  std::span<std::uint8_t> appendInPlace(std::uint64_t offset, std::size_t size);
  std::uint64_t appendEnd() const { return bufferStart_ + buffer_.size(); }

  // Writes straight to the file, for areas outside the pending appends (maps, header).
  void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  std::vector<std::uint8_t> readAt(std::uint64_t offset, std::size_t size);

  void flush();
  void setSize(std::uint64_t size);
  void sync();

 private:
  [[noreturn]] void fail(const char* what, std::uint64_t offset) const;

  std::filesystem::path path_;
  int fd_ = -1;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
};

}  // namespace mailferry::pst
