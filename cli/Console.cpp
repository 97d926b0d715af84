// The console calls of cli/Console.h: ioctl and isatty on POSIX, the console API on Windows.
#include "cli/Console.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
// windows.h comes first.
#include <shellapi.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace mailferry::cli {

#ifdef _WIN32

bool isTerminal(std::FILE* stream) {
  return _isatty(_fileno(stream)) != 0;
}

int terminalColumns(std::FILE* stream) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (GetConsoleScreenBufferInfo(handle, &info))
    return info.srWindow.Right - info.srWindow.Left + 1;
  return 80;
}

std::vector<std::string> utf8Arguments(int, char**) {
  SetConsoleOutputCP(CP_UTF8);
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide && i < count; ++i) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
    args.push_back(std::move(text));
  }
  LocalFree(wide);
  return args;
}

#else

bool isTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) != 0;
}

int terminalColumns(std::FILE* stream) {
  winsize size{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

std::vector<std::string> utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

#endif

}  // namespace mailferry::cli
