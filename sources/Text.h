// Small text helpers shared by the source list and the conversion runs.
#pragma once

#include <string>
#include <string_view>

namespace mailferry::sources {

// Removes leading and trailing spaces (blanks only, not tabs or line breaks).
inline std::string trimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

// Lower-cases the ASCII letters and leaves every other byte as it is. Enough for the
// extension tests: no character outside ASCII lower-cases to the ASCII letters they test.
inline std::string asciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

inline bool endsWithSeparator(std::string_view text, char separator) {
  return !text.empty() && text.back() == separator;
}

}  // namespace mailferry::sources
