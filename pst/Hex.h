// Numbers as the engine's messages show them: offsets, ids and tags in upper-case hex.
#pragma once

#include <cstdint>
#include <string>

namespace mailferry::pst {

// "0x1F4" for 500.
inline std::string hex(std::uint64_t v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char buf[18];
  char* p = buf + sizeof buf;
  do {
    *--p = kDigits[v & 0xF];
    v >>= 4;
  } while (v != 0);
  return "0x" + std::string(p, buf + sizeof buf);
}

// "0x3001001F": a property tag with all eight digits.
inline std::string tagText(std::uint32_t tag) {
  const std::string digits = hex(tag).substr(2);
  return "0x" + std::string(8 - digits.size(), '0') + digits;
}

}  // namespace mailferry::pst
