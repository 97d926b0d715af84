// One-off entry ids ([MS-OXCDATA] 2.2.5.1).
#include "store/OneOffEntryId.h"

#include <array>

#include "pst/Property.h"

namespace mailferry::store {

namespace {

// MAPI_ONE_OFF_UID
constexpr std::array<std::uint8_t, 16> kOneOffProviderUid = {
    0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19, 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
constexpr std::uint16_t kUnicode = 0x8000;
constexpr std::uint16_t kNoRichInfo = 0x0001;

void appendTerminatedUtf16(std::vector<std::uint8_t>& out, std::string_view utf8) {
  for (char16_t unit : pst::toUtf16(utf8)) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  out.push_back(0);
  out.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> makeOneOffEntryId(std::string_view displayName,
                                            std::string_view addressType,
                                            std::string_view address) {
  std::vector<std::uint8_t> id;
  id.reserve(24 + 2 * (displayName.size() + addressType.size() + address.size() + 3));
  for (int i = 0; i < 4; ++i) id.push_back(0);  // flags
  for (std::uint8_t byte : kOneOffProviderUid) id.push_back(byte);
  id.push_back(0);  // version
  id.push_back(0);
  constexpr std::uint16_t kOptions = kUnicode | kNoRichInfo;
  id.push_back(static_cast<std::uint8_t>(kOptions & 0xFF));
  id.push_back(static_cast<std::uint8_t>(kOptions >> 8));
  appendTerminatedUtf16(id, displayName);
  appendTerminatedUtf16(id, addressType);
  appendTerminatedUtf16(id, address);
  return id;
}

}  // namespace mailferry::store
