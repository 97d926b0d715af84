// The header block of a message as received (PidTagTransportMessageHeaders, [MS-OXCMAIL]
// 2.2.3.2.28) and single header values read from it.
#pragma once

#include <gmime/gmime.h>

#include <optional>
#include <string>
#include <string_view>

namespace mailferry::mime {

// Longest header block and longest single value kept; longer ones are cut and reported.
constexpr std::size_t kMaxHeaderBlockBytes = 1 << 20;
constexpr std::size_t kMaxHeaderValueBytes = 64 * 1024;

// The raw header lines, without the Exchange-internal X-MS-Exchange-Organization-* and
// X-MS-Exchange-Forest-* fields, as UTF-8 (8-bit bytes read as UTF-8 when valid, else
// windows-1252), CRLF line ends.
std::string transportHeaders(std::string_view rawHeaders);

// The header lines of a parsed object as GMime holds them (raw values as they were read).
std::string rawHeaderLines(GMimeObject* object);

// The first header of that name, unfolded, RFC 2047 decoded and trimmed; nullopt if absent.
std::optional<std::string> headerValue(GMimeObject* object, const char* name);

}  // namespace mailferry::mime
