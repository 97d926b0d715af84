// Pictures of the four windows for the documentation: when MAILFERRY_SCREENSHOTS names a
// folder, the program shows each window in turn, saves it as a PNG there and ends.
#pragma once

#include <QString>

namespace mailferry::app {

inline constexpr char kScreenshotsVariable[] = "MAILFERRY_SCREENSHOTS";

// Schedules the tour when the variable is set; returns whether it did.
bool scheduleScreenshots();

}  // namespace mailferry::app
