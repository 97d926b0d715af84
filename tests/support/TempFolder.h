// A folder of its own for one test under the system's temporary folder, removed with
// everything below it when the object goes. Folders a test closed (chmod 000) are opened
// again first, so that they can be removed.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace mailferry::testing {

class TempFolder {
 public:
  // prefix names the test area in the folder's name ("mailferry-<prefix>-...").
  explicit TempFolder(std::string_view prefix = "test") {
    static std::atomic<unsigned> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name = "mailferry-" + std::string(prefix) + "-" +
                               std::to_string(processId()) + "-" + std::to_string(tick) + "-" +
                               std::to_string(counter++);
      std::error_code ec;
      if (std::filesystem::create_directory(base / name, ec)) {
        path_ = base / name;
        // Readable by others, so that a test may search it as a less privileged user.
        std::filesystem::permissions(path_, std::filesystem::perms(0755), ec);
        return;
      }
    }
    throw std::runtime_error("cannot create a temporary folder under " + base.string());
  }
  ~TempFolder() {
    std::error_code ec;
    reopen(path_);
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view relative) const {
    return path_ / std::filesystem::path(relative);
  }

  // Writes bytes to a file below the folder, making the folders on the way; returns its path.
  std::filesystem::path write(std::string_view relative, std::string_view bytes) const {
    const auto file = *this / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
    return file;
  }

 private:
  static long processId() {
#if defined(_WIN32)
    return _getpid();
#else
    return static_cast<long>(getpid());
#endif
  }

  static void reopen(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end;
         it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) reopen(it->path());
    }
  }

  std::filesystem::path path_;
};

}  // namespace mailferry::testing
