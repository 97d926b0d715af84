// One-off entry id and FlatEntryList layouts ([MS-OXCDATA] 2.2.5.1, 2.3.2, 2.3.3).
#include "pst/messaging/OneOffEntryId.h"

#include "pst/ByteOrder.h"
#include "pst/Utf.h"

namespace mailferry::pst {

namespace {

// MAPI_ONE_OFF_UID, in its on-disk order.
constexpr std::uint8_t kOneOffProviderUid[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                                 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

void appendUnicodeZ(std::vector<std::uint8_t>& out, std::string_view utf8) {
  appendUtf16Le(out, toUtf16(utf8));
  appendLe(out, 0, 2);
}

}  // namespace

std::vector<std::uint8_t> makeOneOffEntryId(std::string_view displayName,
                                            std::string_view addressType,
                                            std::string_view address) {
  std::vector<std::uint8_t> out;
  out.reserve(64 + 2 * (displayName.size() + address.size()));
  appendLe(out, 0, 4);  // flags
  for (std::uint8_t b : kOneOffProviderUid) out.push_back(b);
  out.push_back(0);  // version
  out.push_back(0);
  const std::uint16_t flags = kOneOffUnicode | kOneOffNoRichInfo;
  appendLe(out, flags, 2);
  appendUnicodeZ(out, displayName);
  appendUnicodeZ(out, addressType);
  appendUnicodeZ(out, address);
  return out;
}

std::vector<std::uint8_t> makeFlatEntryList(
    const std::vector<std::vector<std::uint8_t>>& entryIds) {
  std::vector<std::uint8_t> entries;
  for (const auto& id : entryIds) {
    appendLe(entries, static_cast<std::uint32_t>(id.size()), 4);
    entries.insert(entries.end(), id.begin(), id.end());
    while (entries.size() % 4 != 0) entries.push_back(0);
  }
  std::vector<std::uint8_t> out;
  appendLe(out, static_cast<std::uint32_t>(entryIds.size()), 4);
  appendLe(out, static_cast<std::uint32_t>(entries.size()), 4);
  out.insert(out.end(), entries.begin(), entries.end());
  return out;
}

}  // namespace mailferry::pst
