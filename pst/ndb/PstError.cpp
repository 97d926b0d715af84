// The engine's exception type: keeps the file and the byte offset that a fault concerns.
#include "pst/ndb/Ids.h"

#include <cstdio>

namespace mailferry::pst {

namespace {
std::string describe(const std::string& what, const std::string& file, std::int64_t offset) {
  std::string text = what;
  if (!file.empty()) text += " (" + file;
  if (offset >= 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(offset));
    text += file.empty() ? std::string(" (at offset ") + buf : std::string(", offset ") + buf;
  }
  if (!file.empty() || offset >= 0) text += ")";
  return text;
}
}  // namespace

PstError::PstError(const std::string& what, std::string file, std::int64_t offset)
    : std::runtime_error(describe(what, file, offset)), file_(std::move(file)), offset_(offset) {}

}  // namespace mailferry::pst
