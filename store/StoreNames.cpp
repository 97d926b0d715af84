// File and display names of a run's store.
#include "store/StoreNames.h"

#include <cstdio>
#include <ctime>

namespace mailferry::store {

std::string timeStamp(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  char text[40];
  std::snprintf(text, sizeof text, "%d.%d.%02d %d.%d.%02d", local.tm_mday, local.tm_mon + 1,
                local.tm_year % 100, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

std::string pstBaseName(RunKind kind) {
  return kind == RunKind::Email ? "Kestrolin" : "WindowsContacts";
}

std::string displayNamePrefix(RunKind kind) {
  return kind == RunKind::Email ? "Kestrolin : Created - " : "Windows Contacts : Created - ";
}

}  // namespace mailferry::store
