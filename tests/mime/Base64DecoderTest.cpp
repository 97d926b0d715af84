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

using Way = Base64Decoder::Way;
constexpr Way kWays[] = {Way::kBest, Way::kWholeBlocks, Way::kPortable};

std::vector<std::uint8_t> decode(std::string_view text, std::size_t chunk, Way way = Way::kBest) {
  Base64Decoder decoder(way);
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
        for (Way way : kWays) {
          SCOPED_TRACE("size " + std::to_string(size) + ", line " + std::to_string(lineLength) +
                       ", chunk " + std::to_string(chunk) + ", way " +
                       std::to_string(static_cast<int>(way)));
          ASSERT_EQ(decode(encoded, chunk, way), bytes);
        }
      }
    }
  }
}

TEST(Base64DecoderTest, DamagedInputLosesAsLittleAsItCan) {
  // Characters outside the alphabet, in the middle of a run the vector way would take whole.
  std::string noisy = encode(pattern(300, 7), 0);
  noisy.insert(100, " *\t\xC3\xA9");
  for (Way way : kWays) EXPECT_EQ(decode(noisy, 4096, way), pattern(300, 7));

  // Two encodings back to back: the padding of the first ends its group, not the content.
  const std::string twice = encode({'a', 'b'}, 0) + encode({'c', 'd', 'e', 'f'}, 0);
  EXPECT_EQ(text(decode(twice, 4096)), "abcdef");

  // Padding missing at the end: the open group still yields its bytes.
  EXPECT_EQ(text(decode("YWJjZA", 4096)), "abcd");
  EXPECT_EQ(text(decode("YWJjZGU", 4096)), "abcde");
  // A lone character holds no whole byte.
  EXPECT_EQ(text(decode("YWJjZ", 4096)), "abc");
  EXPECT_TRUE(decode("\r\n=\r\n", 4096).empty());
}

// The vector ways take 64 characters at a time and hand what they gathered to the careful way:
// noise and padding at every offset of those blocks, in input cut anywhere, must give what the
// portable way gives.
TEST(Base64DecoderTest, EveryWayAgreesOnNoiseAndPaddingAtAnyOffset) {
  const std::string clean = encode(pattern(400, 11), 76);
  const std::string inserts[] = {"\r\n", " ", "\xC3\xA9", "*", "=", "==\r\n", "\x80\xFF"};
  for (const std::string& insert : inserts) {
    for (std::size_t at = 0; at <= 200; at += 3) {
      std::string noisy = clean;
      noisy.insert(at, insert);
      for (std::size_t chunk : {7, 64, 100, 4096}) {
        SCOPED_TRACE("insert at " + std::to_string(at) + ", chunk " + std::to_string(chunk));
        const auto expected = decode(noisy, chunk, Way::kPortable);
        ASSERT_EQ(decode(noisy, chunk, Way::kBest), expected);
        ASSERT_EQ(decode(noisy, chunk, Way::kWholeBlocks), expected);
        if (insert.find('=') == std::string::npos) {
          ASSERT_EQ(expected, pattern(400, 11));
        }
      }
    }
  }
  // Long runs outside the alphabet (blank lines, a stray header) between blocks.
  std::string gaps = encode(pattern(3000, 5), 76);
  for (std::size_t at = 100; at < gaps.size(); at += 500) gaps.insert(at, std::string(130, '\n'));
  for (Way way : kWays) EXPECT_EQ(decode(gaps, 1000, way), pattern(3000, 5));
}

}  // namespace
}  // namespace mailferry::mime
