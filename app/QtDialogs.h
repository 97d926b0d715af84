// The Qt implementations of the folder browser, message boxes and shell open, installed
// once at start-up in place of the display-less defaults.
#pragma once

#include "sources/Dialogs.h"

namespace mailferry::app {

sources::Dialogs qtDialogs();
void installQtDialogs();

}  // namespace mailferry::app
