// Ordinal text order on UTF-8 texts, matching UTF-16 code unit order.
#include "sources/OrdinalOrder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace mailferry::sources {

namespace {

bool isContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// Decodes the character starting at text[pos]; nothing when it is malformed or cut short.
std::optional<std::uint32_t> decodeAt(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  std::uint32_t value = 0;
  if (lead < 0x80) return lead;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (pos + length > text.size()) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[pos + i]);
    if (!isContinuation(c)) return std::nullopt;
    value = (value << 6) | (c & 0x3F);
  }
  return value;
}

// A key that orders code points as their first UTF-16 code units order: characters beyond
// U+FFFF start with a high surrogate (U+D800..U+DBFF), below U+E000..U+FFFF.
std::uint32_t utf16Key(std::uint32_t codePoint) {
  if (codePoint >= 0x10000) return 0xD800 + (codePoint - 0x10000);  // stays below 0x10E000
  if (codePoint >= 0xE000) return codePoint + 0x200000;
  return codePoint;
}

}  // namespace

int ordinalCompare(std::string_view a, std::string_view b) {
  const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  const std::size_t at = static_cast<std::size_t>(ia - a.begin());
  if (ia == a.end() && ib == b.end()) return 0;
  if (ia == a.end()) return -1;
  if (ib == b.end()) return 1;
  const auto byteA = static_cast<unsigned char>(*ia);
  const auto byteB = static_cast<unsigned char>(*ib);
  const int byteOrder = byteA < byteB ? -1 : 1;
  if (byteA < 0x80 && byteB < 0x80) return byteOrder;
  // The differing characters start at the same place, inside the shared prefix.
  std::size_t start = at;
  while (start > 0 && at - start < 3 && isContinuation(static_cast<unsigned char>(a[start])))
    --start;
  const auto charA = decodeAt(a, start);
  const auto charB = decodeAt(b, start);
  if (!charA || !charB) return byteOrder;
  const std::uint32_t keyA = utf16Key(*charA);
  const std::uint32_t keyB = utf16Key(*charB);
  if (keyA == keyB) return byteOrder;
  return keyA < keyB ? -1 : 1;
}

}  // namespace mailferry::sources
