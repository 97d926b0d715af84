// SystemFile on POSIX systems: open(O_EXCL), pwrite, pread, ftruncate, fsync, posix_fadvise.
#ifndef _WIN32
#include "pst/ndb/SystemFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "pst/PstError.h"

namespace mailferry::pst {

SystemFile::SystemFile(const std::filesystem::path& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    const int err = errno;
    if (err == EEXIST) throw PstError::exists(path_.string());
    throw PstError::io("cannot create the file", err, path_.string());
  }
}

SystemFile::~SystemFile() {
  if (fd_ >= 0) ::close(fd_);
}

void SystemFile::fail(const char* what, std::uint64_t offset) const {
  throw PstError::io(what, errno, path_.string(), static_cast<std::int64_t>(offset));
}

void SystemFile::writeAt(const std::uint8_t* bytes, std::size_t size, std::uint64_t offset) const {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd_, bytes + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot write", offset + done);
    }
    done += static_cast<std::size_t>(n);
  }
}

void SystemFile::readAt(std::uint8_t* bytes, std::size_t size, std::uint64_t offset) const {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd_, bytes + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot read", offset + done);
    }
    if (n == 0)
      throw PstError(PstError::Kind::Io, "unexpected end of file", path_.string(),
                     static_cast<std::int64_t>(offset + done));
    done += static_cast<std::size_t>(n);
  }
}

void SystemFile::setSize(std::uint64_t size) const {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) fail("cannot set the file size", size);
}

void SystemFile::sync() const {
  if (::fsync(fd_) != 0) fail("cannot sync the file", 0);
}

FileIdentity SystemFile::identity() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) fail("cannot read the file's identity", 0);
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool removeIfSameFile(const std::filesystem::path& path, const FileIdentity& identity) {
  // POSIX removes by name only: the name is checked just before. Another program would have
  // to remove this file and put its own under the same name in between.
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  const FileIdentity found{static_cast<std::uint64_t>(st.st_dev),
                           static_cast<std::uint64_t>(st.st_ino)};
  return found == identity && ::unlink(path.c_str()) == 0;
}

void renameIfSameFile(const std::filesystem::path& from, const std::filesystem::path& to,
                      const FileIdentity& identity) {
  struct stat st {};
  if (::lstat(from.c_str(), &st) != 0) throw PstError::io("cannot rename", errno, from.string());
  if (FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)} !=
      identity)
    throw PstError(PstError::Kind::Io, "cannot rename: another file took the name", from.string());
  int err = 0;
#ifdef RENAME_NOREPLACE
  err =
      ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
#else
  err = EINVAL;
#endif
  // Where the file system cannot rename without replacing, a second link is made (which fails
  // when the name is taken) and the first one removed.
  if (err == EINVAL || err == ENOSYS) {
    err = ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    if (err == 0) ::unlink(from.c_str());
  }
  if (err == EEXIST) throw PstError::exists(to.string());
  if (err != 0) {
    PstError error = PstError::io("cannot rename", err, from.string());
    // Busy or refused: a program that has the file or its folder open may let go soon.
    if (err == EBUSY || err == EACCES || err == EPERM) error.markTransient();
    throw error;
  }
  // The new name reaches the disk with its folder.
  const int folder = ::open(to.parent_path().empty() ? "." : to.parent_path().c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
}

void SystemFile::releaseCached(std::uint64_t from, std::uint64_t to) const {
#ifdef __linux__
  ::posix_fadvise(fd_, static_cast<off_t>(from), static_cast<off_t>(to - from),
                  POSIX_FADV_DONTNEED);
#else
  (void)from;
  (void)to;
#endif
}

void* SystemFile::allocateBuffer(std::size_t size, std::size_t alignment) {
  void* p = std::aligned_alloc(alignment, size);
  if (!p) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  ::madvise(p, size, MADV_HUGEPAGE);
#endif
  return p;
}

void SystemFile::freeBuffer(void* p) {
  std::free(p);
}

}  // namespace mailferry::pst
#endif
