// Streaming base64 decoding (RFC 2045 6.8) of a part's content, fed in chunks of any size.
// Characters outside the alphabet (line breaks, stray spaces) are skipped, "=" ends a group
// early, and a group left open at the end yields the bytes it holds, so damaged input loses
// as little as it can. Four characters at a time take the fast way when all are in the
// alphabet, which is almost always; mail attachments are mostly base64, and a byte-at-a-time
// decoder took a third of an import. Where the processor has AVX-512 VBMI, a vector way comes
// first: with VBMI2 it takes 64 characters at a time whatever they hold but "=", dropping the
// line breaks and other characters outside the alphabet as it goes; without, it takes runs of
// 64 alphabet characters (so only the part of each line that fills whole blocks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mailferry::mime {

class Base64Decoder {
 public:
  // The ways to take; the best the processor has unless told otherwise (to compare them).
  enum class Way { kBest, kWholeBlocks, kPortable };

  Base64Decoder() = default;
  explicit Base64Decoder(Way way) : way_(way) {}

  // Room `decode` may need for `inputSize` characters.
  static constexpr std::size_t maxOutput(std::size_t inputSize) { return inputSize / 4 * 3 + 3; }

  // Decodes `in` into `out` (at least maxOutput(in.size()) bytes); returns the bytes written.
  std::size_t decode(std::span<const std::uint8_t> in, std::uint8_t* out);
  // The bytes of a group left open at the end of the input (at most 2); returns their count.
  std::size_t finish(std::uint8_t* out);

 private:
  // One character's value into the open group; a full group gives its three bytes.
  void add(std::uint8_t value, std::uint8_t*& out) {
    bits_ = (bits_ << 6) | value;
    if (++count_ == 4) {
      out[0] = static_cast<std::uint8_t>(bits_ >> 16);
      out[1] = static_cast<std::uint8_t>(bits_ >> 8);
      out[2] = static_cast<std::uint8_t>(bits_);
      out += 3;
      bits_ = 0;
      count_ = 0;
    }
  }

  std::uint32_t bits_ = 0;  // the open group's characters, 6 bits each
  int count_ = 0;           // how many characters the open group has (0-3)
  Way way_ = Way::kBest;
};

}  // namespace mailferry::mime
