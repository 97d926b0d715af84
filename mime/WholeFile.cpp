// Reading a message file whole.
#include "mime/WholeFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace mailferry::mime {

WholeFile readWholeFile(const std::filesystem::path& path, ByteArrayPtr buffer) {
  WholeFile result;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > kWholeFileLimit) return result;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    result.error = std::string("cannot be opened: ") + std::strerror(errno);
    return result;
  }
  ByteArrayPtr bytes =
      buffer ? std::move(buffer) : ByteArrayPtr(g_byte_array_sized_new(static_cast<guint>(size)));
  g_byte_array_set_size(bytes.get(), static_cast<guint>(size));
  in.read(reinterpret_cast<char*>(bytes->data), static_cast<std::streamsize>(size));
  if (in.bad()) {
    result.error = std::string("cannot be read: ") + std::strerror(errno);
    return result;
  }
  g_byte_array_set_size(bytes.get(), static_cast<guint>(in.gcount()));  // shorter if it shrank
  result.bytes = std::move(bytes);
  return result;
}

}  // namespace mailferry::mime
