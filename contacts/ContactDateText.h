// Reading the date of a birthday or anniversary value ("1975-04-30T00:00:00Z").
#pragma once

#include <string_view>

#include "contacts/ContactRecord.h"

namespace mailferry::contacts {

// The year-month-day date before the first "T" of the text (the whole text when there is no
// "T"); the time of day and zone after it are dropped. Unset when that part is no valid
// date between the years 1601 and 9999, the range a PST date can hold.
ContactDate readContactDate(std::string_view text);

}  // namespace mailferry::contacts
