// Decoding of x-uuencode content line by line, from each line's length character: mail relays
// strip trailing spaces, and a space is the encoding of zero bits, so a line shorter than its
// length character says is padded with spaces instead of being read wrong.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace mailferry::mime {

class UuDecoder {
 public:
  // Decodes what `chunk` completes and appends the bytes to `out`.
  void decode(std::span<const std::uint8_t> chunk, std::string& out);
  // Decodes a last line without a line break.
  void finish(std::string& out);

 private:
  void decodeLine(std::string_view line, std::string& out);

  enum class State { kBeforeBegin, kLines, kDone };
  State state_ = State::kBeforeBegin;
  std::string partial_;  // the line the last chunk ended in
};

}  // namespace mailferry::mime
