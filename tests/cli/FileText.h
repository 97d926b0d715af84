// What a test wrote into a temporary file, read back from its start.
#pragma once

#include <cstdio>
#include <string>

namespace mailferry::cli::testing {

inline std::string contentOf(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  char buffer[256];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file)) text.append(buffer, n);
  return text;
}

}  // namespace mailferry::cli::testing
