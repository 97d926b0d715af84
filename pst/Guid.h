// GUIDs in their on-disk byte order ([MS-DTYP] 2.3.4.2: Data1..Data3 little-endian), and
// their text form.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace mailferry::pst {

using Guid = std::array<std::uint8_t, 16>;  // in its on-disk (little-endian fields) byte order

// Parses "{00062004-0000-0000-C000-000000000046}" or the same without braces.
Guid guidFromString(std::string_view text);
std::string guidToString(const Guid& guid);

}  // namespace mailferry::pst
