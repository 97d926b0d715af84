// FILETIME to and from Unix time.
#include "pst/FileTime.h"

#include <cstdint>

namespace mailferry::pst {

namespace {
constexpr std::int64_t kUnixEpochSeconds = 11644473600;  // 1601-01-01 to 1970-01-01
constexpr std::int64_t kTicksPerSecond = 10000000;
}  // namespace

FileTime fileTimeFromUnix(std::int64_t unixSeconds) {
  // Times before 1601 cannot be represented; times past year 30828 overflow the ticks.
  constexpr std::int64_t kMaxSeconds =
      static_cast<std::int64_t>(UINT64_MAX / kTicksPerSecond) - kUnixEpochSeconds;
  if (unixSeconds <= -kUnixEpochSeconds) return 0;
  if (unixSeconds > kMaxSeconds) unixSeconds = kMaxSeconds;
  return static_cast<FileTime>(unixSeconds + kUnixEpochSeconds) *
         static_cast<FileTime>(kTicksPerSecond);
}

std::int64_t unixFromFileTime(FileTime ft) {
  return static_cast<std::int64_t>(ft / kTicksPerSecond) - kUnixEpochSeconds;
}

}  // namespace mailferry::pst
