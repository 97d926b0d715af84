// The x-uuencode decoder.
#include "mime/UuDecoder.h"

#include <string_view>

namespace mailferry::mime {

namespace {

// Each character carries six bits, from ' ' (or '`') up.
unsigned sixBits(char c) {
  return static_cast<unsigned>(static_cast<unsigned char>(c) - 32) & 63u;
}

}  // namespace

void UuDecoder::decode(std::span<const std::uint8_t> chunk, std::string& out) {
  std::string_view text(reinterpret_cast<const char*>(chunk.data()), chunk.size());
  while (!text.empty() && state_ != State::kDone) {
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos) {
      partial_.append(text);
      return;
    }
    if (partial_.empty()) {
      decodeLine(text.substr(0, lf), out);
    } else {
      partial_.append(text.substr(0, lf));
      decodeLine(partial_, out);
      partial_.clear();
    }
    text.remove_prefix(lf + 1);
  }
}

void UuDecoder::finish(std::string& out) {
  if (!partial_.empty() && state_ != State::kDone) decodeLine(partial_, out);
  partial_.clear();
}

void UuDecoder::decodeLine(std::string_view line, std::string& out) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (state_ == State::kBeforeBegin) {
    if (line.starts_with("begin ")) state_ = State::kLines;
    return;
  }
  if (line == "end" || line.starts_with("end ")) {
    state_ = State::kDone;
    return;
  }
  if (line.empty()) return;
  const std::size_t length = sixBits(line[0]);
  std::string_view encoded = line.substr(1);
  for (std::size_t group = 0, written = 0; written < length; ++group) {
    char quad[4];
    for (std::size_t i = 0; i < 4; ++i) {
      const std::size_t at = group * 4 + i;
      quad[i] = at < encoded.size() ? encoded[at] : ' ';  // a stripped trailing space
    }
    const unsigned bits =
        sixBits(quad[0]) << 18 | sixBits(quad[1]) << 12 | sixBits(quad[2]) << 6 | sixBits(quad[3]);
    for (int shift = 16; shift >= 0 && written < length; shift -= 8, ++written)
      out += static_cast<char>((bits >> shift) & 0xFF);
  }
}

}  // namespace mailferry::mime
