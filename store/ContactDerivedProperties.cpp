// What Outlook computes when it saves a contact.
#include "store/ContactDerivedProperties.h"

#include <initializer_list>
#include <vector>

#include "pst/KnownTags.h"
#include "pst/messaging/OneOffEntryId.h"
#include "store/ContactPropertySets.h"

namespace mailferry::store {

namespace {

namespace tags = pst::tags;
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

void writeEmailEntries(const ContactValues& values, const std::string& fullName,
                       pst::MessageSink& item) {
  std::vector<std::int32_t> present;
  std::int32_t arrayType = 0;
  for (std::size_t slot = 0; slot < values.email.size(); ++slot) {
    const std::string& address = values.email[slot];
    if (address.empty()) continue;
    // The address itself is a put property; the rest of the slot follows from it.
    const tags::EmailSlotLids& lids = tags::kLidEmailSlots[slot];
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
  item.set(addressNamedTag(item, tags::kLidAddressBookProviderEmailList, PropType::MultiInt32),
           PropValue::multiInt32(present));
  setNamedInt(item, tags::kLidAddressBookProviderArrayType, arrayType);
}

void writeAddresses(const ContactValues& values, pst::MessageSink& item) {
  const std::string work = composeAddress(values.work);
  const std::string home = composeAddress(values.home);
  setNamedText(item, tags::kLidWorkAddress, work);
  setNamedText(item, tags::kLidHomeAddress, home);

  // The mailing address is copied into the tags Outlook shows as "this is the mailing
  // address" ([MS-OXOCNTC] 2.2.1.3); the business one is preferred.
  const std::int32_t postalId =
      !values.work.empty() ? kPostalWork : (!values.home.empty() ? kPostalHome : kPostalNone);
  // Outlook leaves PidLidPostalAddressId out when the contact has no address.
  if (postalId == kPostalNone) return;
  setNamedInt(item, tags::kLidPostalAddressId, postalId);
  const ContactAddress& mailing = postalId == kPostalWork ? values.work : values.home;
  setText(item, tags::kStreetAddress, mailing.street);
  setText(item, tags::kLocality, mailing.city);
  setText(item, tags::kStateOrProvince, mailing.state);
  setText(item, tags::kPostalCode, mailing.postalCode);
  setText(item, tags::kCountry, mailing.country);
  setText(item, tags::kPostalAddress, postalId == kPostalWork ? work : home);
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
  item.set(tags::kMessageClass, PropValue::utf8("IPM.Contact"));

  const std::string displayName = composeDisplayName(values);
  setText(item, tags::kDisplayName, displayName);
  setText(item, tags::kSubject, displayName);
  // Outlook keeps no PidTagNormalizedSubject in a PST (it follows from the subject), but it
  // keeps the conversation topic.
  setText(item, tags::kConversationTopic, displayName);
  setText(item, tags::kInitials, composeInitials(values));

  const FileAs fileAs = composeFileAs(values);
  setNamedText(item, tags::kLidFileUnder, fileAs.text);
  setNamedInt(item, tags::kLidFileUnderId, fileAs.id);

  // Only a personal name labels an address; a company-only contact shows the address itself.
  const std::string fullName = joinNonEmpty(
      {&values.prefix, &values.givenName, &values.middleName, &values.surname, &values.generation},
      " ");
  writeEmailEntries(values, fullName, item);
  writeAddresses(values, item);

  // No contact photo is attached.
  item.set(addressNamedTag(item, tags::kLidHasPicture, PropType::Boolean),
           PropValue::boolean(false));
  item.set(tags::kIconIndex, PropValue::int32(tags::kIconContact));
  item.set(tags::kMessageFlags, PropValue::int32(tags::kMsgFlagRead));
  item.set(tags::kSensitivity, PropValue::int32(0));  // normal
  item.set(tags::kImportance, PropValue::int32(1));   // normal
}

}  // namespace mailferry::store
