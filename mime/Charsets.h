// Charset labels -> Windows code pages, and conversion of text in any charset that GMime/iconv
// knows into UTF-8, replacing what cannot be read instead of failing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mailferry::mime {

// The charset label in a canonical lower-case form ("Latin1" -> "iso-8859-1",
// "x-sjis" -> "shift_jis"); unknown labels come back lower-cased.
std::string canonicalCharset(std::string_view label);

// The code page number of a charset ([MS-OXCMAIL] 2.2.3.3.2.1), if it has one.
std::optional<int> codePageForCharset(std::string_view label);
// The label to convert from for a code page number that codePageForCharset() returned.
std::string charsetForCodePage(int codePage);
// The Windows ANSI code page that best matches an Internet code page (28591 -> 1252).
int windowsCodePageFor(int internetCodePage);

bool isValidUtf8(std::string_view bytes);
bool isAscii(std::string_view bytes);

struct ConvertedText {
  std::string utf8;
  std::string charsetUsed;  // canonical label the bytes were read as
  bool lossy = false;       // some bytes could not be converted and were replaced by U+FFFD
  bool unknownCharset = false;
};

// Converts `bytes` from the declared charset to UTF-8. Text without a declared charset (or
// declared us-ascii but holding 8-bit bytes) is read as UTF-8 when it is valid UTF-8, else as
// windows-1252; so is text in a charset that iconv does not know.
ConvertedText toUtf8(std::string_view bytes, std::string_view declaredCharset);

}  // namespace mailferry::mime
