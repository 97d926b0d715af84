// GUIDs to and from their registry text form.
#include "pst/Guid.h"

#include <stdexcept>

namespace mailferry::pst {

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Guid guidFromString(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
      text[23] != '-') {
    throw std::invalid_argument("not a GUID: \"" + std::string(text) + "\"");
  }
  std::uint8_t canonical[16];  // in text order (big-endian fields)
  std::size_t pos = 0;
  for (std::uint8_t& byte : canonical) {
    if (text[pos] == '-') ++pos;
    const int hi = hexDigit(text[pos]);
    const int lo = hexDigit(text[pos + 1]);
    if (hi < 0 || lo < 0) throw std::invalid_argument("not a GUID: \"" + std::string(text) + "\"");
    byte = static_cast<std::uint8_t>(hi * 16 + lo);
    pos += 2;
  }
  // Data1, Data2 and Data3 are little-endian on disk; Data4 is a byte array.
  Guid g{};
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) g[i] = canonical[order[i]];
  return g;
}

std::string guidToString(const Guid& guid) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string out = "{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    const std::uint8_t b = guid[order[i]];
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  }
  out += '}';
  return out;
}

}  // namespace mailferry::pst
