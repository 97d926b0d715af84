// Little-endian field access, the one byte order of every on-disk structure of a PST file
// ([MS-PST] 2.1.2). Pointer forms for fixed layouts, span forms for bounded reads, and
// variable-width forms for the heap and table layouts whose field sizes vary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace mailferry::pst {

inline std::uint16_t load16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t load32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}
inline std::uint64_t load64(const std::uint8_t* p) {
  return std::uint64_t{load32(p)} | (std::uint64_t{load32(p + 4)} << 32);
}
inline void store16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void store32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void store64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A value of `size` (at most 8) bytes at `offset`, which the caller has checked lies inside.
inline std::uint64_t readLe(std::span<const std::uint8_t> bytes, std::size_t offset,
                            std::size_t size) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < size; ++i) v |= std::uint64_t{bytes[offset + i]} << (8 * i);
  return v;
}
inline void writeLe(std::span<std::uint8_t> bytes, std::size_t offset, std::uint64_t value,
                    std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void appendLe(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(readLe(b, at, 2));
}
inline std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(readLe(b, at, 4));
}
inline std::uint64_t le64(std::span<const std::uint8_t> b, std::size_t at) {
  return readLe(b, at, 8);
}

}  // namespace mailferry::pst
