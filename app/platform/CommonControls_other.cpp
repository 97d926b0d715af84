// Platforms without comctl32: Qt draws the native look itself, and there is no shell
// library to hold, so the calls succeed without doing anything and the handle stays 0.
#include "app/platform/CommonControls.h"

namespace mailferry::app::platform {

void initCommonControls() {}

void initCommonControlsEx(std::uint32_t) {}

ModuleHandle loadLibrary(const char*) {
  return 0;
}

void freeLibrary(ModuleHandle) {}

}  // namespace mailferry::app::platform
