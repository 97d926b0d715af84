// Header block cleaning and single header values.
#include "mime/HeaderBlock.h"

#include <algorithm>
#include <cctype>

#include "mime/Charsets.h"
#include "mime/GMimeHandles.h"

namespace mailferry::mime {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

bool isExcluded(std::string_view field) {
  return startsWithNoCase(field, "X-MS-Exchange-Organization-") ||
         startsWithNoCase(field, "X-MS-Exchange-Forest-");
}

std::string trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace

std::string transportHeaders(std::string_view raw) {
  std::string kept;
  kept.reserve(raw.size() + raw.size() / 32);
  bool keepField = true;
  std::size_t pos = 0;
  while (pos < raw.size()) {
    std::size_t end = raw.find('\n', pos);
    if (end == std::string_view::npos) end = raw.size();
    std::string_view line = raw.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = end + 1;
    const bool continuation = !line.empty() && (line[0] == ' ' || line[0] == '\t');
    if (!continuation) keepField = !isExcluded(line);
    if (!keepField) continue;
    kept.append(line);
    kept += "\r\n";
  }
  return toUtf8(kept, "").utf8;
}

std::string rawHeaderLines(GMimeObject* object) {
  return takeString(g_mime_object_get_headers(object, nullptr));
}

std::optional<std::string> headerValue(GMimeObject* object, const char* name) {
  const char* value = g_mime_object_get_header(object, name);
  if (value == nullptr) return std::nullopt;
  std::string text = trim(value);
  if (!isValidUtf8(text)) text = toUtf8(text, "").utf8;
  return text;
}

}  // namespace mailferry::mime
