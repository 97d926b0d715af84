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
  // What was read other than as written with nothing of it lost (a guessed charset, a repaired
  // header or structure, a part kept as a file instead of converted).
  std::vector<std::string> warnings;
  // Content of the file the message could not keep (parts below a cut nesting, an attached
  // message that could not be read, a value cut to its limit, bytes no charset could read):
  // these name the file in the run's summary.
  std::vector<std::string> contentLost;
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
