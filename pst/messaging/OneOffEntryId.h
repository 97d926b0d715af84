// One-off entry ids for Internet addresses ([MS-OXCDATA] 2.2.5.1) and the FlatEntryList that
// holds several of them ([MS-OXCDATA] 2.3.2-2.3.3).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace mailferry::pst {

constexpr std::uint16_t kOneOffUnicode = 0x8000;     // U: strings in UTF-16LE
constexpr std::uint16_t kOneOffNoRichInfo = 0x0001;  // M: send as MIME

// Flags U|M; display name, address type and address as NUL-terminated UTF-16LE strings.
std::vector<std::uint8_t> makeOneOffEntryId(std::string_view displayName,
                                            std::string_view addressType, std::string_view address);

std::vector<std::uint8_t> makeFlatEntryList(const std::vector<std::vector<std::uint8_t>>& entryIds);

}  // namespace mailferry::pst
