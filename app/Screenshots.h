// Pictures of the four windows for the documentation: when MAILFERRY_SCREENSHOTS names a
// folder, the program shows each window in turn, saves it as a PNG there and ends. When
// MAILFERRY_SCREENSHOTS_SOURCE names a folder of message files as well, the email window
// lists and converts them (the PST is written into that folder) and each closing message is
// pictured with the window behind it.
#pragma once

#include <QString>

namespace mailferry::app {

inline constexpr char kScreenshotsVariable[] = "MAILFERRY_SCREENSHOTS";
inline constexpr char kScreenshotsSourceVariable[] = "MAILFERRY_SCREENSHOTS_SOURCE";

// Schedules the tour when the variable is set; returns whether it did.
bool scheduleScreenshots();

}  // namespace mailferry::app
