// One-off entry ids ([MS-OXCDATA] 2.2.5.1): an address that names its display name, address
// type and address itself instead of an address-book entry.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace mailferry::store {

// Unicode strings, sent as MIME (MAPI_ONE_OFF_UNICODE | MAPI_ONE_OFF_NO_RICH_INFO). Texts are
// UTF-8.
std::vector<std::uint8_t> makeOneOffEntryId(std::string_view displayName,
                                            std::string_view addressType, std::string_view address);

}  // namespace mailferry::store
