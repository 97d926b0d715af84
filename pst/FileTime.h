// FILETIME ([MS-DTYP] 2.3.3), the time stamps of PtypTime values.
#pragma once

#include <cstdint>

namespace mailferry::pst {

// 100-nanosecond ticks since 1601-01-01 00:00 UTC.
using FileTime = std::uint64_t;
FileTime fileTimeFromUnix(std::int64_t unixSeconds);
std::int64_t unixFromFileTime(FileTime ft);

}  // namespace mailferry::pst
