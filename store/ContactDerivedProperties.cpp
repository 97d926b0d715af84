// What Outlook computes when it saves a contact.
#include "store/ContactDerivedProperties.h"

#include <initializer_list>
#include <vector>

#include "pst/messaging/OneOffEntryId.h"
#include "store/ContactPropertySets.h"

namespace mailferry::store {

namespace {

using pst::PropType;
using pst::PropValue;

std::string joinNonEmpty(std::initializer_list<const std::string*> parts, std::string_view sep) {
  std::string out;
  for (const std::string* part : parts) {
    if (part->empty()) continue;
    if (!out.empty()) out += sep;
    out += *part;
  }
  return out;
}

// The first UTF-8 encoded character of the text.
std::string firstCharacter(const std::string& text) {
  if (text.empty()) return {};
  std::size_t length = 1;
  while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
    ++length;
  }
  return text.substr(0, length);
}

void setText(pst::MessageSink& item, pst::PropTag tag, const std::string& text) {
  if (!text.empty()) item.set(tag, PropValue::utf8(text));
}

void setNamedText(pst::MessageSink& item, std::uint32_t lid, const std::string& text) {
  if (!text.empty()) item.set(addressNamedTag(item, lid, PropType::Unicode), PropValue::utf8(text));
}

void setNamedInt(pst::MessageSink& item, std::uint32_t lid, std::int32_t value) {
  item.set(addressNamedTag(item, lid, PropType::Int32), PropValue::int32(value));
}

// Per e-mail slot: PidLidEmailNDisplayName, AddressType, OriginalDisplayName, OriginalEntryId
// ([MS-OXOCNTC] 2.2.1.2); the address itself is a put property.
struct EmailLids {
  std::uint32_t displayName;
  std::uint32_t addressType;
  std::uint32_t originalDisplayName;
  std::uint32_t originalEntryId;
};
constexpr std::array<EmailLids, 3> kEmailLids = {
    EmailLids{0x8080, 0x8082, 0x8084, 0x8085},
    EmailLids{0x8090, 0x8092, 0x8094, 0x8095},
    EmailLids{0x80A0, 0x80A2, 0x80A4, 0x80A5},
};

void writeEmailEntries(const ContactValues& values, const std::string& fullName,
                       pst::MessageSink& item) {
  std::vector<std::int32_t> present;
  std::int32_t arrayType = 0;
  for (std::size_t slot = 0; slot < values.email.size(); ++slot) {
    const std::string& address = values.email[slot];
    if (address.empty()) continue;
    const EmailLids& lids = kEmailLids[slot];
    const std::string displayName = composeEmailDisplayName(fullName, address);
    setNamedText(item, lids.displayName, displayName);
    setNamedText(item, lids.addressType, "SMTP");
    setNamedText(item, lids.originalDisplayName, address);
    item.set(addressNamedTag(item, lids.originalEntryId, PropType::Binary),
             PropValue::binary(pst::makeOneOffEntryId(displayName, "SMTP", address)));
    present.push_back(static_cast<std::int32_t>(slot));
    arrayType |= 1 << slot;
  }
  if (present.empty()) return;
  // PidLidAddressBookProviderEmailList and PidLidAddressBookProviderArrayType
  item.set(addressNamedTag(item, 0x8028, PropType::MultiInt32), PropValue::multiInt32(present));
  setNamedInt(item, 0x8029, arrayType);
}

void writeAddresses(const ContactValues& values, pst::MessageSink& item) {
  const std::string work = composeAddress(values.work);
  const std::string home = composeAddress(values.home);
  setNamedText(item, 0x801B, work);  // PidLidWorkAddress
  setNamedText(item, 0x801A, home);  // PidLidHomeAddress

  // The mailing address is copied into the tags Outlook shows as "this is the mailing
  // address" ([MS-OXOCNTC] 2.2.1.3); the business one is preferred.
  const std::int32_t postalId =
      !values.work.empty() ? kPostalWork : (!values.home.empty() ? kPostalHome : kPostalNone);
  // Outlook leaves PidLidPostalAddressId out when the contact has no address.
  if (postalId == kPostalNone) return;
  setNamedInt(item, 0x8022, postalId);  // PidLidPostalAddressId
  const ContactAddress& mailing = postalId == kPostalWork ? values.work : values.home;
  setText(item, 0x3A29001F, mailing.street);                         // PidTagStreetAddress
  setText(item, 0x3A27001F, mailing.city);                           // PidTagLocality
  setText(item, 0x3A28001F, mailing.state);                          // PidTagStateOrProvince
  setText(item, 0x3A2A001F, mailing.postalCode);                     // PidTagPostalCode
  setText(item, 0x3A26001F, mailing.country);                        // PidTagCountry
  setText(item, 0x3A15001F, postalId == kPostalWork ? work : home);  // PidTagPostalAddress
}

}  // namespace

std::string composeDisplayName(const ContactValues& values) {
  std::string name = joinNonEmpty(
      {&values.prefix, &values.givenName, &values.middleName, &values.surname, &values.generation},
      " ");
  if (!name.empty()) return name;
  if (!values.companyName.empty()) return values.companyName;
  for (const std::string& address : values.email) {
    if (!address.empty()) return address;
  }
  return {};
}

std::string composeInitials(const ContactValues& values) {
  std::string initials;
  for (const std::string* part : {&values.givenName, &values.middleName, &values.surname}) {
    if (!part->empty()) initials += firstCharacter(*part) + ".";
  }
  return initials;
}

FileAs composeFileAs(const ContactValues& values) {
  if (!values.surname.empty() || !values.givenName.empty()) {
    const std::string given = joinNonEmpty({&values.givenName, &values.middleName}, " ");
    return {kFileUnderSurnameGiven, joinNonEmpty({&values.surname, &given}, ", ")};
  }
  if (!values.companyName.empty()) return {kFileUnderCompany, values.companyName};
  std::string displayName = composeDisplayName(values);
  if (!displayName.empty()) return {kFileUnderDisplayName, std::move(displayName)};
  return {kFileUnderSurnameGiven, {}};
}

std::string composeAddress(const ContactAddress& address) {
  const std::string statePostal = joinNonEmpty({&address.state, &address.postalCode}, " ");
  const std::string cityLine = joinNonEmpty({&address.city, &statePostal}, ", ");
  return joinNonEmpty({&address.street, &cityLine, &address.country}, "\r\n");
}

std::string composeEmailDisplayName(const std::string& fullName, const std::string& address) {
  return fullName.empty() ? address : fullName;
}

void writeDerivedContactProperties(const ContactValues& values, pst::MessageSink& item) {
  item.set(0x001A001F, PropValue::utf8("IPM.Contact"));  // PidTagMessageClass

  const std::string displayName = composeDisplayName(values);
  setText(item, 0x3001001F, displayName);  // PidTagDisplayName
  setText(item, 0x0037001F, displayName);  // PidTagSubject
  // Outlook keeps no PidTagNormalizedSubject in a PST (it follows from the subject), but it
  // keeps the conversation topic.
  setText(item, 0x0070001F, displayName);              // PidTagConversationTopic
  setText(item, 0x3A0A001F, composeInitials(values));  // PidTagInitials

  const FileAs fileAs = composeFileAs(values);
  setNamedText(item, 0x8005, fileAs.text);  // PidLidFileUnder
  setNamedInt(item, 0x8006, fileAs.id);     // PidLidFileUnderId

  // Only a personal name labels an address; a company-only contact shows the address itself.
  const std::string fullName = joinNonEmpty(
      {&values.prefix, &values.givenName, &values.middleName, &values.surname, &values.generation},
      " ");
  writeEmailEntries(values, fullName, item);
  writeAddresses(values, item);

  // PidLidHasPicture: no contact photo is attached.
  item.set(addressNamedTag(item, 0x8015, PropType::Boolean), PropValue::boolean(false));
  item.set(0x10800003, PropValue::int32(0x00000200));  // PidTagIconIndex: contact
  item.set(0x0E070003, PropValue::int32(0x01));        // PidTagMessageFlags: read
  item.set(0x00360003, PropValue::int32(0));           // PidTagSensitivity: normal
  item.set(0x00170003, PropValue::int32(1));           // PidTagImportance: normal
}

}  // namespace mailferry::store
