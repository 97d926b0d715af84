// The Qt implementations of the folder browser, message boxes and shell open, installed
// once at start-up in place of the display-less defaults.
#pragma once

#include <QString>

#include "sources/Dialogs.h"

namespace mailferry::app {

sources::Dialogs qtDialogs();
void installQtDialogs();

// A message box wraps long lines at blanks; the file paths in its text (the saved PST's name
// has a blank in its time stamp) get no-break spaces instead, so that each stays on one line.
// A path starts with "/" or "X:\" at the start of a line or after ": ", and runs to the
// next ": " or the end of the line.
QString keepPathsWhole(const QString& text);

}  // namespace mailferry::app
