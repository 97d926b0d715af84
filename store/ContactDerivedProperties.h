// What Outlook computes when it saves a contact (full name, file-as, e-mail entries, mailing
// address, ...), so that a contact we write looks complete in Outlook's views and readers.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "pst/messaging/MessageSink.h"

namespace mailferry::store {

struct ContactAddress {
  std::string street;
  std::string city;
  std::string state;
  std::string postalCode;
  std::string country;

  bool empty() const {
    return street.empty() && city.empty() && state.empty() && postalCode.empty() && country.empty();
  }
};

// The contact's values that the derived properties are computed from (UTF-8).
struct ContactValues {
  std::string prefix;
  std::string givenName;
  std::string middleName;
  std::string surname;
  std::string generation;
  std::string companyName;
  std::array<std::string, 3> email;  // Email1..Email3, SMTP
  ContactAddress work;
  ContactAddress home;
};

// PidLidFileUnderId values ([MS-OXOCNTC] 2.2.1.1.12).
constexpr std::int32_t kFileUnderDisplayName = 0x00003001;
constexpr std::int32_t kFileUnderCompany = 0x00003A16;
constexpr std::int32_t kFileUnderSurnameGiven = 0x00008017;

// PidLidPostalAddressId values ([MS-OXOCNTC] 2.2.1.3).
constexpr std::int32_t kPostalNone = 0;
constexpr std::int32_t kPostalHome = 1;
constexpr std::int32_t kPostalWork = 2;

struct FileAs {
  std::int32_t id = kFileUnderSurnameGiven;
  std::string text;
};

// "Dr. Jane A. Smith Jr."; the company when there is no name part; else the first e-mail
// address; else empty.
std::string composeDisplayName(const ContactValues& values);
// "J.A.S.": the first character of given, middle and surname, each followed by ".".
std::string composeInitials(const ContactValues& values);
// "Smith, Jane A." (0x8017) when a name exists, the company (0x3A16) when only that exists,
// else the display name (0x3001); empty with 0x8017 when there is nothing at all.
FileAs composeFileAs(const ContactValues& values);
// "Street\r\nCity, State PostalCode\r\nCountry", empty parts dropped with their separators.
std::string composeAddress(const ContactAddress& address);
// The label of an e-mail entry: the full name, as Outlook stores it (its own files show the
// full name here, not "Full Name (address)"), or the address when there is no name.
std::string composeEmailDisplayName(const std::string& fullName, const std::string& address);

// Sets every derived property on the item; empty results are left unset.
void writeDerivedContactProperties(const ContactValues& values, pst::MessageSink& item);

}  // namespace mailferry::store
