// A message file read whole, in one call, into a GLib byte array that a GMime memory stream
// can take over without a copy.
#pragma once

#include <glib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace mailferry::mime {

struct ByteArrayUnref {
  void operator()(GByteArray* array) const {
    if (array != nullptr) g_byte_array_unref(array);
  }
};
using ByteArrayPtr = std::unique_ptr<GByteArray, ByteArrayUnref>;

// Files up to this size are read whole; larger ones are read through a buffered stream, so
// that a huge message never sits in memory whole.
constexpr std::uintmax_t kWholeFileLimit = 64ull << 20;

struct WholeFile {
  ByteArrayPtr bytes;  // null when the file is larger than the limit or could not be read
  std::string error;   // why it could not be read (empty when it is only too large)
  std::uintmax_t size = 0;
};
// Opens the file once, sizes it and reads it when it is no larger than `limit`: into `buffer`
// when one is given (a buffer kept from an earlier file: fresh memory for every file costs a
// page fault per page), else into a new one. A folder is an error.
WholeFile readWholeFile(const std::filesystem::path& path, ByteArrayPtr buffer = {},
                        std::uintmax_t limit = kWholeFileLimit);

}  // namespace mailferry::mime
