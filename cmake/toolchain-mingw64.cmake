# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers (the posix thread model,
# which std::thread needs), against the libraries scripts/build-windows-deps puts in a prefix:
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
#         -DMAILFERRY_WINDOWS_DEPS=$(scripts/build-windows-deps --print-prefix)
# The programs link statically, so a .exe runs alone; tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MAILFERRY_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MAILFERRY_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MAILFERRY_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MAILFERRY_MINGW_TRIPLE}-windres)

if(NOT MAILFERRY_WINDOWS_DEPS AND DEFINED ENV{MAILFERRY_WINDOWS_DEPS})
  set(MAILFERRY_WINDOWS_DEPS "$ENV{MAILFERRY_WINDOWS_DEPS}")
endif()
set(MAILFERRY_WINDOWS_DEPS "${MAILFERRY_WINDOWS_DEPS}" CACHE PATH
    "Prefix of the cross-built libraries (scripts/build-windows-deps --print-prefix)")
# try_compile projects read this file again: hand them the prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MAILFERRY_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${MAILFERRY_MINGW_TRIPLE} ${MAILFERRY_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${MAILFERRY_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest (and anything else that runs a built program) goes through Wine.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(MAILFERRY_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(MAILFERRY_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${MAILFERRY_WINE})
  endif()
endif()
