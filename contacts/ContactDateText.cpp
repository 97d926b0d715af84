// Reading the date of a birthday or anniversary value.
#include "contacts/ContactDateText.h"

#include <charconv>

namespace mailferry::contacts {

namespace {

// Reads minDigits..maxDigits decimal digits at the front of text and removes them.
std::optional<unsigned> takeNumber(std::string_view& text, std::size_t minDigits,
                                   std::size_t maxDigits) {
  std::size_t count = 0;
  while (count < text.size() && count < maxDigits && text[count] >= '0' && text[count] <= '9') {
    ++count;
  }
  if (count < minDigits) return std::nullopt;
  unsigned value = 0;
  std::from_chars(text.data(), text.data() + count, value);
  text.remove_prefix(count);
  return value;
}

bool takeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

}  // namespace

ContactDate readContactDate(std::string_view text) {
  text = text.substr(0, text.find('T'));
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);

  const auto year = takeNumber(text, 4, 4);
  if (!year || !takeChar(text, '-')) return std::nullopt;
  const auto month = takeNumber(text, 1, 2);
  if (!month || !takeChar(text, '-')) return std::nullopt;
  const auto day = takeNumber(text, 1, 2);
  if (!day || !text.empty()) return std::nullopt;
  if (*year < 1601) return std::nullopt;

  const std::chrono::year_month_day date{std::chrono::year{static_cast<int>(*year)},
                                         std::chrono::month{*month}, std::chrono::day{*day}};
  if (!date.ok()) return std::nullopt;
  return date;
}

}  // namespace mailferry::contacts
