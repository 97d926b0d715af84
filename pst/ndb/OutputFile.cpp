// Exclusive creation, buffered appends and synced in-place writes of a node database file.
#include "pst/ndb/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "pst/ndb/Ids.h"

namespace mailferry::pst {

namespace {
// Large enough that a stream of full blocks costs one write call per few hundred blocks.
constexpr std::size_t kBufferCapacity = 4 << 20;
}  // namespace

OutputFile::OutputFile(const std::filesystem::path& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    const int err = errno;
    throw PstError(err == EEXIST ? std::string("the file already exists")
                                 : std::string("cannot create the file: ") + std::strerror(err),
                   path_.string());
  }
  buffer_.reserve(kBufferCapacity);
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

void OutputFile::fail(const char* what, std::uint64_t offset) const {
  throw PstError(std::string(what) + ": " + std::strerror(errno), path_.string(),
                 static_cast<std::int64_t>(offset));
}

std::span<std::uint8_t> OutputFile::appendInPlace(std::uint64_t offset, std::size_t size) {
  if (offset < appendEnd()) {
    throw PstError("append before the end of the previous one", path_.string(),
                   static_cast<std::int64_t>(offset));
  }
  const std::uint64_t gap = offset - appendEnd();
  if (buffer_.size() + gap + size > kBufferCapacity && !buffer_.empty()) flush();
  if (buffer_.empty()) bufferStart_ = offset;  // nothing pending: the gap stays a hole
  buffer_.resize(static_cast<std::size_t>(offset - bufferStart_), 0);
  const std::size_t at = buffer_.size();
  buffer_.resize(at + size, 0);
  return {buffer_.data() + at, size};
}

void OutputFile::append(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  auto dest = appendInPlace(offset, bytes.size());
  std::memcpy(dest.data(), bytes.data(), bytes.size());
}

void OutputFile::flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::pwrite(fd_, buffer_.data() + done, buffer_.size() - done,
                               static_cast<off_t>(bufferStart_ + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot write", bufferStart_ + done);
    }
    done += static_cast<std::size_t>(n);
  }
  bufferStart_ += buffer_.size();
  buffer_.clear();
}

void OutputFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (!buffer_.empty() && offset + bytes.size() > bufferStart_) flush();
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot write", offset + done);
    }
    done += static_cast<std::size_t>(n);
  }
}

std::vector<std::uint8_t> OutputFile::readAt(std::uint64_t offset, std::size_t size) {
  if (!buffer_.empty() && offset + size > bufferStart_) flush();
  std::vector<std::uint8_t> out(size);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n =
        ::pread(fd_, out.data() + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot read", offset + done);
    }
    if (n == 0)
      throw PstError("unexpected end of file", path_.string(),
                     static_cast<std::int64_t>(offset + done));
    done += static_cast<std::size_t>(n);
  }
  return out;
}

void OutputFile::setSize(std::uint64_t size) {
  flush();
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) fail("cannot set the file size", size);
}

void OutputFile::sync() {
  flush();
  if (::fsync(fd_) != 0) fail("cannot sync the file", 0);
}

}  // namespace mailferry::pst
