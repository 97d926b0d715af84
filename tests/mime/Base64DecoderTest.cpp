// The base64 decoder of part contents: exact bytes back whatever the line length and however
// the input is cut into chunks, the vector way and the portable way alike, and as much as can
// be recovered from damaged input.
#include "mime/Base64Decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mailferry::mime {
namespace {

std::string encode(const std::vector<std::uint8_t>& bytes, std::size_t lineLength) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out, line;
  auto put = [&](char c) {
    line += c;
    if (lineLength != 0 && line.size() == lineLength) {
      out += line + "\r\n";
      line.clear();
    }
  };
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::uint32_t b0 = bytes[i];
    const std::uint32_t b1 = i + 1 < bytes.size() ? bytes[i + 1] : 0;
    const std::uint32_t b2 = i + 2 < bytes.size() ? bytes[i + 2] : 0;
    const std::uint32_t group = (b0 << 16) | (b1 << 8) | b2;
    put(kAlphabet[group >> 18]);
    put(kAlphabet[(group >> 12) & 63]);
    put(i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=');
    put(i + 2 < bytes.size() ? kAlphabet[group & 63] : '=');
  }
  if (!line.empty()) out += line + "\r\n";
  return out;
}

std::vector<std::uint8_t> decode(std::string_view text, std::size_t chunk, bool useVector) {
  Base64Decoder decoder(useVector);
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> buffer(Base64Decoder::maxOutput(chunk));
  for (std::size_t at = 0; at < text.size(); at += chunk) {
    const std::string_view piece = text.substr(at, chunk);
    const std::size_t n = decoder.decode(
        {reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()}, buffer.data());
    out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
  }
  const std::size_t n = decoder.finish(buffer.data());
  out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
  return out;
}

std::vector<std::uint8_t> pattern(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(seed >> 16);
  }
  return bytes;
}

std::string text(const std::vector<std::uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

TEST(Base64DecoderTest, ExactBytesForEveryLineLengthAndChunking) {
  for (std::size_t size : {0, 1, 2, 3, 4, 47, 48, 49, 57, 100, 1000, 70000}) {
    const auto bytes = pattern(size, static_cast<std::uint32_t>(size));
    for (std::size_t lineLength : {0, 64, 72, 76, 77}) {
      const std::string encoded = encode(bytes, lineLength);
      for (std::size_t chunk : {1, 3, 63, 64, 65, 4096, 65536}) {
        for (bool useVector : {true, false}) {
          SCOPED_TRACE("size " + std::to_string(size) + ", line " + std::to_string(lineLength) +
                       ", chunk " + std::to_string(chunk) + (useVector ? ", vector" : ""));
          ASSERT_EQ(decode(encoded, chunk, useVector), bytes);
        }
      }
    }
  }
}

TEST(Base64DecoderTest, DamagedInputLosesAsLittleAsItCan) {
  // Characters outside the alphabet, in the middle of a run the vector way would take whole.
  std::string noisy = encode(pattern(300, 7), 0);
  noisy.insert(100, " *\t\xC3\xA9");
  EXPECT_EQ(decode(noisy, 4096, true), pattern(300, 7));
  EXPECT_EQ(decode(noisy, 4096, false), pattern(300, 7));

  // Two encodings back to back: the padding of the first ends its group, not the content.
  const std::string twice = encode({'a', 'b'}, 0) + encode({'c', 'd', 'e', 'f'}, 0);
  EXPECT_EQ(text(decode(twice, 4096, true)), "abcdef");

  // Padding missing at the end: the open group still yields its bytes.
  EXPECT_EQ(text(decode("YWJjZA", 4096, true)), "abcd");
  EXPECT_EQ(text(decode("YWJjZGU", 4096, true)), "abcde");
  // A lone character holds no whole byte.
  EXPECT_EQ(text(decode("YWJjZ", 4096, true)), "abc");
  EXPECT_TRUE(decode("\r\n=\r\n", 4096, true).empty());
}

}  // namespace
}  // namespace mailferry::mime
