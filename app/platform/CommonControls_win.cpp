// Windows: comctl32 and kernel32 calls for the themed look and the shell library.
#include <windows.h>
// commctrl.h needs the types windows.h declares.
#include <commctrl.h>

#include "app/platform/CommonControls.h"

namespace mailferry::app::platform {

void initCommonControls() {
  InitCommonControls();
}

void initCommonControlsEx(std::uint32_t classFlags) {
  INITCOMMONCONTROLSEX request{};
  static_assert(sizeof(request) == kInitCommonControlsExSize);
  request.dwSize = kInitCommonControlsExSize;
  request.dwICC = classFlags;
  InitCommonControlsEx(&request);  // the classic look remains when this fails
}

ModuleHandle loadLibrary(const char* name) {
  return reinterpret_cast<ModuleHandle>(LoadLibraryA(name));
}

void freeLibrary(ModuleHandle handle) {
  FreeLibrary(reinterpret_cast<HMODULE>(handle));  // a 0 handle fails silently
}

}  // namespace mailferry::app::platform
