// Address and message search keys.
#include "mime/SearchKey.h"

#include <random>

#include "pst/ByteOrder.h"

namespace mailferry::mime {

namespace {

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::vector<std::uint8_t> addressSearchKey(std::string_view addressType, std::string_view address) {
  std::vector<std::uint8_t> key;
  key.reserve(addressType.size() + address.size() + 2);
  for (char c : addressType) key.push_back(static_cast<std::uint8_t>(upper(c)));
  key.push_back(':');
  // SMTP addresses compare case-insensitively, so the key is upper-cased (ASCII only: the
  // bytes of non-ASCII local parts are kept as they are).
  for (char c : address) key.push_back(static_cast<std::uint8_t>(upper(c)));
  key.push_back(0);
  return key;
}

std::vector<std::uint8_t> newMessageSearchKey() {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  std::vector<std::uint8_t> key(16);
  for (std::size_t i = 0; i < key.size(); i += 8) pst::store64(key.data() + i, generator());
  // A version-4 GUID, like the ones Outlook writes.
  key[7] = static_cast<std::uint8_t>((key[7] & 0x0F) | 0x40);
  key[8] = static_cast<std::uint8_t>((key[8] & 0x3F) | 0x80);
  return key;
}

}  // namespace mailferry::mime
