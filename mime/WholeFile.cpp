// Reading a message file whole: one open, one size query, one read (more only for a file that
// arrives in pieces, such as a pipe or a network file).
#include "mime/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace mailferry::mime {

namespace {

#ifdef _WIN32
using FileStat = struct _stat64;
int openForReading(const std::filesystem::path& path) {
  return _wopen(path.c_str(), _O_RDONLY | _O_BINARY);
}
int statOpen(int fd, FileStat* st) {
  return _fstat64(fd, st);
}
long long readSome(int fd, void* into, std::size_t size) {
  return _read(fd, into, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}
int closeFile(int fd) {
  return _close(fd);
}
#else
using FileStat = struct stat;
int openForReading(const std::filesystem::path& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}
int statOpen(int fd, FileStat* st) {
  return ::fstat(fd, st);
}
long long readSome(int fd, void* into, std::size_t size) {
  return ::read(fd, into, size);
}
int closeFile(int fd) {
  return ::close(fd);
}
#endif

class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile() {
    if (fd_ >= 0) closeFile(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

std::string reasonWith(const char* what) {
  return std::string(what) + std::strerror(errno);
}

}  // namespace

WholeFile readWholeFile(const std::filesystem::path& path, ByteArrayPtr buffer,
                        std::uintmax_t limit) {
  WholeFile result;
  const OpenFile file(openForReading(path));
  if (file.fd() < 0) {
    result.error = reasonWith("cannot be opened: ");
    return result;
  }
  FileStat st{};
  if (statOpen(file.fd(), &st) != 0) {
    result.error = reasonWith("cannot be read: ");
    return result;
  }
  if ((st.st_mode & S_IFMT) == S_IFDIR) {
    result.error = "is a folder, not a file";
    return result;
  }
  result.size = static_cast<std::uintmax_t>(st.st_size);
  if (result.size > limit) return result;

  ByteArrayPtr bytes = buffer
                           ? std::move(buffer)
                           : ByteArrayPtr(g_byte_array_sized_new(static_cast<guint>(result.size)));
  g_byte_array_set_size(bytes.get(), static_cast<guint>(result.size));
  std::size_t done = 0;
  while (done < result.size) {
    const long long n = readSome(file.fd(), bytes->data + done, result.size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result.error = reasonWith("cannot be read: ");
      return result;
    }
    if (n == 0) break;  // the file shrank since it was sized
    done += static_cast<std::size_t>(n);
  }
  g_byte_array_set_size(bytes.get(), static_cast<guint>(done));
  result.bytes = std::move(bytes);
  return result;
}

}  // namespace mailferry::mime
