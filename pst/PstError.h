// The engine's exception: what went wrong, of which kind, in which file and, where it
// applies, at which byte offset.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace mailferry::pst {

class PstError : public std::runtime_error {
 public:
  enum class Kind {
    Corrupt,  // the file read does not hold a valid structure
    Io,       // the system refused a read, write, sync or create (cause in the message)
    Misuse,   // the caller broke a rule of the interface or reached a limit of the format
  };

  PstError(Kind kind, const std::string& what, std::string file = {}, std::int64_t offset = -1);
  // An I/O failure with the system's cause, errno `error` ("No space left on device").
  static PstError io(const std::string& what, int error, std::string file = {},
                     std::int64_t offset = -1);

  // The path to create is taken: an I/O error with errno EEXIST, whatever the system.
  static PstError exists(std::string file);
  bool isExists() const;

  // The system refused for a reason that may pass in a moment: another program (a virus
  // scanner, the search indexer) holds the file open. Worth another try shortly after.
  bool isTransient() const { return transient_; }
  PstError& markTransient() {
    transient_ = true;
    return *this;
  }

  Kind kind() const { return kind_; }
  const std::string& file() const { return file_; }
  std::int64_t offset() const { return offset_; }
  // The errno of an I/O failure, 0 otherwise, and the system's text for it ("No space left
  // on device"), empty otherwise.
  int systemError() const { return systemError_; }
  const std::string& systemMessage() const { return systemMessage_; }

 private:
  Kind kind_;
  std::string file_;
  std::int64_t offset_;
  int systemError_ = 0;
  std::string systemMessage_;
  bool transient_ = false;
};

}  // namespace mailferry::pst
