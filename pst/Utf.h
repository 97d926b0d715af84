// UTF-8 <-> UTF-16 for the engine's own strings; invalid input is replaced with U+FFFD,
// never thrown on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mailferry::pst {

std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);
// Appends one code point as UTF-8; surrogates and values past U+10FFFF become U+FFFD.
void appendUtf8(std::string& out, char32_t codePoint);

// UTF-8 as UTF-16LE bytes, the form of a PtypString on disk: writes at most 2 x utf8.size()
// bytes to `out` and returns how many it wrote.
std::size_t utf8ToUtf16Le(std::string_view utf8, std::uint8_t* out);
// Appends UTF-16 text as UTF-16LE bytes.
void appendUtf16Le(std::vector<std::uint8_t>& out, std::u16string_view text);

}  // namespace mailferry::pst
