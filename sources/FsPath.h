// Conversions between the program's UTF-8 path texts and std::filesystem paths.
#pragma once

#include <filesystem>
#include <string>

namespace mailferry::sources {

// Through char8_t so that Windows reads the text as UTF-8, not in the ANSI code page.
inline std::filesystem::path toFsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string fromFsPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace mailferry::sources
