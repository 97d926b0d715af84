// One-off entry id and FlatEntryList layouts ([MS-OXCDATA] 2.2.5.1, 2.3.2, 2.3.3).
#include "pst/messaging/OneOffEntryId.h"

#include "pst/Property.h"

namespace mailferry::pst {

namespace {

// MAPI_ONE_OFF_UID, in its on-disk order.
constexpr std::uint8_t kOneOffProviderUid[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                                 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

void appendLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void appendUnicodeZ(std::vector<std::uint8_t>& out, std::string_view utf8) {
  for (char16_t c : toUtf16(utf8)) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> makeOneOffEntryId(std::string_view displayName,
                                            std::string_view addressType,
                                            std::string_view address) {
  std::vector<std::uint8_t> out;
  out.reserve(64 + 2 * (displayName.size() + address.size()));
  appendLe32(out, 0);  // flags
  for (std::uint8_t b : kOneOffProviderUid) out.push_back(b);
  out.push_back(0);  // version
  out.push_back(0);
  const std::uint16_t flags = kOneOffUnicode | kOneOffNoRichInfo;
  out.push_back(static_cast<std::uint8_t>(flags & 0xFF));
  out.push_back(static_cast<std::uint8_t>(flags >> 8));
  appendUnicodeZ(out, displayName);
  appendUnicodeZ(out, addressType);
  appendUnicodeZ(out, address);
  return out;
}

std::vector<std::uint8_t> makeFlatEntryList(
    const std::vector<std::vector<std::uint8_t>>& entryIds) {
  std::vector<std::uint8_t> entries;
  for (const auto& id : entryIds) {
    appendLe32(entries, static_cast<std::uint32_t>(id.size()));
    entries.insert(entries.end(), id.begin(), id.end());
    while (entries.size() % 4 != 0) entries.push_back(0);
  }
  std::vector<std::uint8_t> out;
  appendLe32(out, static_cast<std::uint32_t>(entryIds.size()));
  appendLe32(out, static_cast<std::uint32_t>(entries.size()));
  out.insert(out.end(), entries.begin(), entries.end());
  return out;
}

}  // namespace mailferry::pst
