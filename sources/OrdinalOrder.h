// Ordinal text order: UTF-16 code unit by code unit, case-sensitive, a prefix first.
#pragma once

#include <string_view>

namespace mailferry::sources {

// Compares UTF-8 texts as their UTF-16 forms compare code unit by code unit, so the order
// is the same wherever the texts came from. UTF-8 byte order already agrees except where
// a character beyond U+FFFF (a surrogate pair in UTF-16) meets one of U+E000..U+FFFF;
// those two are set right here. Malformed UTF-8 falls back to byte order.
int ordinalCompare(std::string_view a, std::string_view b);

inline bool ordinalLess(std::string_view a, std::string_view b) {
  return ordinalCompare(a, b) < 0;
}

}  // namespace mailferry::sources
