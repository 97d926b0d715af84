// What one message-file import kept and what it could not read, and the error raised when a file
// holds nothing usable at all.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace mailferry::mime {

struct ImportReport {
  std::string subject;  // decoded, UTF-8
  std::size_t recipients = 0;
  std::size_t attachments = 0;       // file attachments and embedded messages, at every level
  std::size_t embeddedMessages = 0;  // message/rfc822 parts, at every level
  bool textBody = false;
  bool htmlBody = false;
  // Everything that could not be read as written (bad charsets, truncated parts, cut nesting):
  // the import kept what it could and says here what it left out or guessed.
  std::vector<std::string> warnings;
};

class ImportError : public std::runtime_error {
 public:
  ImportError(const std::filesystem::path& path, const std::string& reason)
      : std::runtime_error(path.string() + ": " + reason), path_(path) {}
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace mailferry::mime
