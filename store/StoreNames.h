// How a run names its new PST file and the store it adds: a base name or label, then the
// local date and time written "d.m.YY H.m.ss" (6.12.26 1.30.12 for 6 December 2026, 01:30:12).
#pragma once

#include <chrono>
#include <string>

namespace mailferry::store {

enum class RunKind { Email, Contacts };

// Day, month, hour and minutes without leading zeros; two-digit year and seconds.
std::string timeStamp(std::chrono::system_clock::time_point when);

// "Kestrolin" or "WindowsContacts": the start of the file name.
std::string pstBaseName(RunKind kind);
// "Kestrolin : Created - " or "Windows Contacts : Created - ": the start of the display name.
std::string displayNamePrefix(RunKind kind);

}  // namespace mailferry::store
