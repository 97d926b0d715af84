// The engine's exception type: keeps the kind, the file and the byte offset of a fault.
#include "pst/PstError.h"

#include <cerrno>
#include <cstring>

#include "pst/Hex.h"

namespace mailferry::pst {

namespace {
std::string describe(const std::string& what, const std::string& file, std::int64_t offset) {
  std::string text = what;
  if (!file.empty()) text += " (" + file;
  if (offset >= 0) {
    const std::string at = hex(static_cast<std::uint64_t>(offset));
    text += file.empty() ? " (at offset " + at : ", offset " + at;
  }
  if (!file.empty() || offset >= 0) text += ")";
  return text;
}
}  // namespace

PstError::PstError(Kind kind, const std::string& what, std::string file, std::int64_t offset)
    : std::runtime_error(describe(what, file, offset)),
      kind_(kind),
      file_(std::move(file)),
      offset_(offset) {}

PstError PstError::io(const std::string& what, int error, std::string file, std::int64_t offset) {
  PstError e(Kind::Io, what + ": " + std::strerror(error), std::move(file), offset);
  e.systemError_ = error;
  e.systemMessage_ = std::strerror(error);
  return e;
}

PstError PstError::exists(std::string file) {
  PstError e(Kind::Io, "the file already exists", std::move(file));
  e.systemError_ = EEXIST;
  return e;
}

bool PstError::isExists() const {
  return kind_ == Kind::Io && systemError_ == EEXIST;
}

}  // namespace mailferry::pst
