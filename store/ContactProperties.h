// Putting a contact property on a message item by its Outlook object-model name
// (FirstName, Email1Address, WebPage, ...) or by its MAPI tag, in the MAPI property that
// Outlook keeps it in, and deriving on save what Outlook would compute.
#pragma once

#include <chrono>
#include <optional>
#include <set>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "pst/KnownTags.h"
#include "pst/messaging/MessageSink.h"
#include "store/ContactDerivedProperties.h"

namespace mailferry::store {

// A property name or tag this writer does not know; nothing was written.
class UnknownContactProperty : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The 34 object-model names put() accepts, in the order the contact writer sets them.
const std::vector<std::string_view>& contactPropertyNames();

// A date written as a contact's birthday or anniversary: 12:00 UTC of that day, so that it
// shows as the same calendar day in every time zone from UTC-11 to UTC+11.
pst::FileTime contactDateTime(std::chrono::year_month_day date);

// Fills one contact item. An empty text or an unset date leaves the property unset (and
// removes what this writer put before under that name), as Outlook does with a cleared field.
class ContactPropertyWriter {
 public:
  explicit ContactPropertyWriter(pst::MessageSink& item) : item_(item) {}

  // Throws UnknownContactProperty for a name not in contactPropertyNames().
  void put(std::string_view name, std::string_view value);
  // PR_DISPLAY_NAME_PREFIX or PR_GENERATION; throws UnknownContactProperty for other tags.
  void putTag(pst::PropTag tag, std::string_view text);
  // PR_BIRTHDAY or PR_WEDDING_ANNIVERSARY, together with PidLidBirthdayLocal or
  // PidLidWeddingAnniversaryLocal (the day at 00:00, as Outlook keeps it); throws
  // UnknownContactProperty for other tags.
  void putTag(pst::PropTag tag, std::optional<std::chrono::year_month_day> date);

  // Writes what Outlook derives when it saves a contact (message class, full name, file-as,
  // e-mail entries, mailing address, ...) from the values put so far.
  void save();

  const ContactValues& values() const { return values_; }

 private:
  void setOrClear(pst::PropTag tag, std::optional<pst::PropValue> value);

  pst::MessageSink& item_;
  ContactValues values_;
  std::set<pst::PropTag> written_;
};

}  // namespace mailferry::store
