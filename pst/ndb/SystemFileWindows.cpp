// SystemFile on Windows: CreateFileW(CREATE_NEW) with wide paths, positioned WriteFile and
// ReadFile through OVERLAPPED offsets, SetFileInformationByHandle, FlushFileBuffers.
#ifdef _WIN32
#include "pst/ndb/SystemFile.h"

#include <malloc.h>
#include <windows.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "pst/PstError.h"

namespace mailferry::pst {

namespace {
std::string lastErrorText() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n ? std::string(text, n) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'))
    out.pop_back();
  return out;
}

OVERLAPPED at(std::uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(offset);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// A virus scanner or the search indexer that opens a new file keeps others from renaming it
// for a moment: a failure of these kinds may pass.
bool mayPass(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED ||
         code == ERROR_LOCK_VIOLATION;
}

[[noreturn]] void throwRenameFailure(DWORD code, const std::filesystem::path& from) {
  SetLastError(code);
  PstError error(PstError::Kind::Io, "cannot rename: " + lastErrorText(), from.string());
  if (mayPass(code)) error.markTransient();
  throw error;
}

// One call moves at most this much (the calls take a DWORD count).
constexpr std::size_t kMaxChunk = 1u << 30;
}  // namespace

SystemFile::SystemFile(const std::filesystem::path& path) : path_(path) {
  // Readers may look at the file while it is written; nobody else may write or delete it.
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS)
      throw PstError::exists(path_.string());
    throw PstError(PstError::Kind::Io, "cannot create the file: " + lastErrorText(),
                   path_.string());
  }
  handle_ = h;
}

SystemFile::~SystemFile() {
  if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
}

void SystemFile::fail(const char* what, std::uint64_t offset) const {
  throw PstError(PstError::Kind::Io, std::string(what) + ": " + lastErrorText(), path_.string(),
                 static_cast<std::int64_t>(offset));
}

void SystemFile::writeAt(const std::uint8_t* bytes, std::size_t size, std::uint64_t offset) const {
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED o = at(offset + done);
    const DWORD chunk = static_cast<DWORD>(std::min(size - done, kMaxChunk));
    DWORD n = 0;
    if (!WriteFile(static_cast<HANDLE>(handle_), bytes + done, chunk, &n, &o))
      fail("cannot write", offset + done);
    done += n;
  }
}

void SystemFile::readAt(std::uint8_t* bytes, std::size_t size, std::uint64_t offset) const {
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED o = at(offset + done);
    const DWORD chunk = static_cast<DWORD>(std::min(size - done, kMaxChunk));
    DWORD n = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), bytes + done, chunk, &n, &o) &&
        GetLastError() != ERROR_HANDLE_EOF)
      fail("cannot read", offset + done);
    if (n == 0)
      throw PstError(PstError::Kind::Io, "unexpected end of file", path_.string(),
                     static_cast<std::int64_t>(offset + done));
    done += n;
  }
}

void SystemFile::setSize(std::uint64_t size) const {
  FILE_END_OF_FILE_INFO info{};
  info.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFileInformationByHandle(static_cast<HANDLE>(handle_), FileEndOfFileInfo, &info,
                                  sizeof info))
    fail("cannot set the file size", size);
}

void SystemFile::sync() const {
  if (!FlushFileBuffers(static_cast<HANDLE>(handle_))) fail("cannot sync the file", 0);
}

FileIdentity SystemFile::identity() const {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(static_cast<HANDLE>(handle_), &info))
    fail("cannot read the file's identity", 0);
  return identityOf(info);
}

bool removeIfSameFile(const std::filesystem::path& path, const FileIdentity& identity) {
  // The file is opened, checked and marked for deletion through one handle: no other file
  // can take the name in between.
  HANDLE h = CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_DISPOSITION_INFO dispose{TRUE};
  const bool removed = GetFileInformationByHandle(h, &info) && identityOf(info) == identity &&
                       SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
  CloseHandle(h);
  return removed;
}

void renameIfSameFile(const std::filesystem::path& from, const std::filesystem::path& to,
                      const FileIdentity& identity) {
  // As removeIfSameFile: checked and renamed through one handle.
  HANDLE h = CreateFileW(from.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) throwRenameFailure(GetLastError(), from);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info) || identityOf(info) != identity) {
    CloseHandle(h);
    throw PstError(PstError::Kind::Io, "cannot rename: another file took the name", from.string());
  }
  const std::wstring name = to.wstring();
  std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;  // never over another file
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
  std::copy(name.begin(), name.end(), rename->FileName);
  const bool renamed =
      SetFileInformationByHandle(h, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
  const DWORD code = GetLastError();
  CloseHandle(h);
  if (renamed) return;
  if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
    throw PstError::exists(to.string());
  throwRenameFailure(code, from);
}

// Windows has no call to drop a file's clean pages from its cache; its cache manager trims
// them itself.
void SystemFile::releaseCached(std::uint64_t, std::uint64_t) const {}

void* SystemFile::allocateBuffer(std::size_t size, std::size_t alignment) {
  void* p = _aligned_malloc(size, alignment);
  if (!p) throw std::bad_alloc();
  return p;
}

void SystemFile::freeBuffer(void* p) {
  _aligned_free(p);
}

}  // namespace mailferry::pst
#endif
