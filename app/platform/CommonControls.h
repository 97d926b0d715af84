// The platform's common-controls and shell-library calls behind one small interface; the
// Windows file makes the real calls, the other file stands in for them elsewhere.
#pragma once

#include <cstdint>

namespace mailferry::app::platform {

// InitCommonControls: switches on the themed common controls for the windows to come.
void initCommonControls();

// InitCommonControlsEx with a structure of { size, class flags }.
inline constexpr std::uint32_t kInitCommonControlsExSize = 8;
inline constexpr std::uint32_t kIccUserExClasses = 0x200;  // ICC_USEREX_CLASSES
void initCommonControlsEx(std::uint32_t classFlags);

// LoadLibraryA / FreeLibrary; the handle is 0 when loading failed or there is no library.
using ModuleHandle = std::uintptr_t;
ModuleHandle loadLibrary(const char* name);
void freeLibrary(ModuleHandle handle);

}  // namespace mailferry::app::platform
