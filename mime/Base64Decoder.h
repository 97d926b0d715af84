// Streaming base64 decoding (RFC 2045 6.8) of a part's content, fed in chunks of any size.
// Characters outside the alphabet (line breaks, stray spaces) are skipped, "=" ends a group
// early, and a group left open at the end yields the bytes it holds, so damaged input loses
// as little as it can. Four characters at a time take the fast way when all are in the
// alphabet, which is almost always; mail attachments are mostly base64, and a byte-at-a-time
// decoder took a third of an import. Where the processor has AVX-512 VBMI, runs of 64
// alphabet characters take a vector way first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mailferry::mime {

class Base64Decoder {
 public:
  Base64Decoder() = default;
  // `useVector` false keeps to the portable way (to compare the two).
  explicit Base64Decoder(bool useVector) : useVector_(useVector) {}

  // Room `decode` may need for `inputSize` characters.
  static constexpr std::size_t maxOutput(std::size_t inputSize) { return inputSize / 4 * 3 + 3; }

  // Decodes `in` into `out` (at least maxOutput(in.size()) bytes); returns the bytes written.
  std::size_t decode(std::span<const std::uint8_t> in, std::uint8_t* out);
  // The bytes of a group left open at the end of the input (at most 2); returns their count.
  std::size_t finish(std::uint8_t* out);

 private:
  std::uint32_t bits_ = 0;  // the open group's characters, 6 bits each
  int count_ = 0;           // how many characters the open group has (0-3)
  bool useVector_ = true;
};

}  // namespace mailferry::mime
