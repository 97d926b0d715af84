// The .emlx framing: a first line with the message's byte count, the message, then an XML
// property list. Finds where the message lies, trusting the count only when it fits.
#pragma once

#include <gmime/gmime.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace mailferry::mime {

struct EmlxFrame {
  std::int64_t start = 0;  // first byte of the message
  std::int64_t end = 0;    // one past its last byte
};

// nullopt when the stream does not start with a byte-count line (then it is a plain message).
// When the count is wrong, the message is taken up to the property list (or to the end of the
// file) and a warning says so. A file named .emlx (`namedEmlx`) whose first line is neither a
// count nor a header field has its count damaged: the message is what follows that line.
std::optional<EmlxFrame> findEmlxFrame(GMimeStream* stream, bool namedEmlx,
                                       std::vector<std::string>& warnings);

// True for a file name ending in .emlx (any case).
bool isEmlxName(const std::filesystem::path& name);

}  // namespace mailferry::mime
