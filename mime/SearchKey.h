// Search keys: "SMTP:ADDRESS\0" for addresses ([MS-OXOMSG] 2.2.1.40) and 16 unique bytes for a
// message ([MS-OXCPRPT] 2.2.1.9).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace mailferry::mime {

std::vector<std::uint8_t> addressSearchKey(std::string_view addressType, std::string_view address);
std::vector<std::uint8_t> newMessageSearchKey();

}  // namespace mailferry::mime
