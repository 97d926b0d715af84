// Locating the message inside an .emlx file.
#include "mime/EmlxReader.h"

#include <algorithm>
#include <string_view>

namespace mailferry::mime {

namespace {

constexpr std::int64_t kMaxCountLine = 32;
constexpr std::int64_t kPlistSearchBytes = 1 << 20;

std::string readAt(GMimeStream* stream, std::int64_t offset, std::int64_t length) {
  std::string out;
  if (length <= 0 || g_mime_stream_seek(stream, offset, GMIME_STREAM_SEEK_SET) < 0) return out;
  out.resize(static_cast<std::size_t>(length));
  std::size_t got = 0;
  while (got < out.size()) {
    const ssize_t n = g_mime_stream_read(stream, out.data() + got, out.size() - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  out.resize(got);
  return out;
}

bool startsPlist(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return true;  // nothing but blanks: the end of the file
  text.remove_prefix(first);
  return text.starts_with("<?xml") || text.starts_with("<!DOCTYPE") || text.starts_with("<plist");
}

// RFC 5322 2.2: a field name of printable characters but ":", then ":".
bool startsHeaderField(std::string_view line) {
  const std::size_t colon = line.find(':');
  return colon != std::string_view::npos && colon > 0 &&
         std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon),
                     [](char c) { return c > ' ' && c < 127; });
}

// Where the property list at the end of `stream` starts, if there is one after `start`.
std::optional<std::int64_t> propertyListStart(GMimeStream* stream, std::int64_t start,
                                              std::int64_t size) {
  const std::int64_t from = std::max(start, size - kPlistSearchBytes);
  const std::string tail = readAt(stream, from, size - from);
  const std::size_t plist = tail.rfind("<?xml");
  if (plist == std::string::npos || tail.find("<plist", plist) == std::string::npos) {
    return std::nullopt;
  }
  return from + static_cast<std::int64_t>(plist);
}

}  // namespace

bool isEmlxName(const std::filesystem::path& name) {
  return g_ascii_strcasecmp(name.extension().string().c_str(), ".emlx") == 0;
}

std::optional<EmlxFrame> findEmlxFrame(GMimeStream* stream, bool namedEmlx,
                                       std::vector<std::string>& warnings) {
  const std::int64_t size = g_mime_stream_length(stream);
  const std::string head = readAt(stream, 0, std::min(size, kMaxCountLine));
  const std::size_t newline = head.find('\n');
  if (newline == std::string::npos) return std::nullopt;
  std::string_view line(head.data(), newline);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
    line.remove_suffix(1);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  EmlxFrame frame{static_cast<std::int64_t>(newline) + 1, size};
  if (line.empty() || line.size() > 18 ||
      !std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    if (!namedEmlx || line.empty() || startsHeaderField(line)) return std::nullopt;
    frame.end = propertyListStart(stream, frame.start, size).value_or(size);
    return frame;
  }
  const std::int64_t count = std::stoll(std::string(line));
  if (count > 0 && frame.start + count <= size &&
      startsPlist(readAt(stream, frame.start + count,
                         std::min<std::int64_t>(64, size - frame.start - count)))) {
    frame.end = frame.start + count;
    return frame;
  }
  // The count is wrong: the message ends where the property list begins.
  if (const auto plist = propertyListStart(stream, frame.start, size)) {
    frame.end = *plist;
    warnings.push_back("the byte count " + std::to_string(count) +
                       " does not match: message taken up to the property list");
  } else {
    warnings.push_back("the byte count " + std::to_string(count) +
                       " does not match and there is no property list: message taken to the end");
  }
  return frame;
}

}  // namespace mailferry::mime
