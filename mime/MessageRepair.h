// Byte-level repairs of a message that GMime's parser would otherwise read wrongly: what comes
// before the first header line, header blocks with no blank line before their body, and a
// Content-* field given twice. The parser finds the places; the repair rewrites the bytes once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mailferry::mime {

struct RepairPoint {
  enum class Kind {
    kBodyStartsHere,   // a line that is no header field: the header block ended before it
    kRepeatedContent,  // a second Content-* field: the first one is the one mail readers use
    kNulInHeader,      // a NUL byte in a header field, which would end the field's text there
    kClosingBoundary,  // "--b--junk" or "--b-": a closing delimiter written wrong
  };
  std::int64_t offset = 0;  // the line's first byte, from the start of the message
  Kind kind = Kind::kBodyStartsHere;
  std::size_t length = 0;  // kClosingBoundary: "--" and the boundary
};

// Most repair points taken from one parse (a fuzzed file could name thousands).
constexpr std::size_t kMaxRepairPoints = 256;

// The bytes before the first header line that mail programs skip: a UTF-8 byte-order mark,
// blank or whitespace-only lines, and the indentation of an indented first header line.
std::size_t leadingJunkLength(std::span<const char> head);

// The NUL bytes in the message's own header block (up to its first empty line).
std::vector<RepairPoint> nulBytesInHeader(std::string_view message);

// The lines that start with "--" + one of `boundaries` + "-" but are no closing delimiter:
// mail programs read them as the closing delimiter, with what follows on the line after it.
std::vector<RepairPoint> malformedClosings(std::string_view message,
                                           const std::vector<std::string>& boundaries);

// `message` with a blank line inserted before each kBodyStartsHere line, each repeated
// Content-* field renamed to X-Repeated-Content-* (kept in the header block, read by nobody)
// each malformed closing delimiter written right (the rest of its line on a line of its own),
// and each NUL in the header made a space (a space reads the same in every charset a header
// field may be in, where U+FFFD would not).
std::string applyRepairs(std::string_view message, std::vector<RepairPoint> points);

}  // namespace mailferry::mime
