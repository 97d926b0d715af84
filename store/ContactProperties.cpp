// Where Outlook keeps each contact property, and putting values there.
#include "store/ContactProperties.h"

#include <algorithm>
#include <array>
#include <string>

#include "pst/Hex.h"
#include "pst/KnownTags.h"
#include "pst/Utf.h"
#include "store/ContactPropertySets.h"

namespace mailferry::store {

namespace {

namespace tags = pst::tags;
using pst::PropType;
using pst::PropValue;

// Where a property is kept: a fixed tag, or a PSETID_Address LID (string type).
struct Place {
  pst::PropTag tag = 0;
  std::uint32_t lid = 0;
};

struct NameMapping {
  std::string_view name;
  std::array<Place, 2> places;  // the second is used by WebPage only
  // The ContactValues member the property feeds for the derived properties, if any.
  std::string* (*valueOf)(ContactValues&) = nullptr;
};

constexpr Place tagged(pst::PropTag tag) {
  return {tag, 0};
}
constexpr Place named(std::uint32_t lid) {
  return {0, lid};
}

template <std::string ContactValues::*member>
std::string* field(ContactValues& v) {
  return &(v.*member);
}
template <std::string ContactAddress::*member>
std::string* work(ContactValues& v) {
  return &(v.work.*member);
}
template <std::string ContactAddress::*member>
std::string* home(ContactValues& v) {
  return &(v.home.*member);
}
template <std::size_t slot>
std::string* email(ContactValues& v) {
  return &v.email[slot];
}

constexpr std::string_view kCategories = "Categories";

// [MS-OXOCNTC] 2.2.1; the LIDs are in PSETID_Address. Categories is handled on its own.
const std::array<NameMapping, 33> kMappings = {{
    {"FirstName", {tagged(tags::kGivenName)}, &field<&ContactValues::givenName>},
    {"MiddleName", {tagged(tags::kMiddleName)}, &field<&ContactValues::middleName>},
    {"LastName", {tagged(tags::kSurname)}, &field<&ContactValues::surname>},
    {"JobTitle", {tagged(tags::kTitle)}},
    {"CompanyName", {tagged(tags::kCompanyName)}, &field<&ContactValues::companyName>},
    {"BusinessTelephoneNumber", {tagged(tags::kBusinessTelephoneNumber)}},
    {"BusinessFaxNumber", {tagged(tags::kBusinessFaxNumber)}},
    {"HomeTelephoneNumber", {tagged(tags::kHomeTelephoneNumber)}},
    {"HomeFaxNumber", {tagged(tags::kHomeFaxNumber)}},
    {"MobileTelephoneNumber", {tagged(tags::kMobileTelephoneNumber)}},
    {"PagerNumber", {tagged(tags::kPagerTelephoneNumber)}},
    {"BusinessAddressStreet", {named(tags::kLidWorkAddressStreet)}, &work<&ContactAddress::street>},
    {"BusinessAddressCity", {named(tags::kLidWorkAddressCity)}, &work<&ContactAddress::city>},
    {"BusinessAddressState", {named(tags::kLidWorkAddressState)}, &work<&ContactAddress::state>},
    {"BusinessAddressPostalCode",
     {named(tags::kLidWorkAddressPostalCode)},
     &work<&ContactAddress::postalCode>},
    {"BusinessAddressCountry",
     {named(tags::kLidWorkAddressCountry)},
     &work<&ContactAddress::country>},
    {"HomeAddressStreet", {tagged(tags::kHomeAddressStreet)}, &home<&ContactAddress::street>},
    {"HomeAddressCity", {tagged(tags::kHomeAddressCity)}, &home<&ContactAddress::city>},
    {"HomeAddressState",
     {tagged(tags::kHomeAddressStateOrProvince)},
     &home<&ContactAddress::state>},
    {"HomeAddressPostalCode",
     {tagged(tags::kHomeAddressPostalCode)},
     &home<&ContactAddress::postalCode>},
    {"HomeAddressCountry", {tagged(tags::kHomeAddressCountry)}, &home<&ContactAddress::country>},
    {"Email1Address", {named(tags::kLidEmailSlots[0].emailAddress)}, &email<0>},
    {"Email2Address", {named(tags::kLidEmailSlots[1].emailAddress)}, &email<1>},
    {"Email3Address", {named(tags::kLidEmailSlots[2].emailAddress)}, &email<2>},
    // PidLidHtml should hold the same value as PidTagBusinessHomePage.
    {"WebPage", {tagged(tags::kBusinessHomePage), named(tags::kLidHtml)}},
    {"IMAddress", {named(tags::kLidInstantMessagingAddress)}},
    {"Department", {tagged(tags::kDepartmentName)}},
    {"OfficeLocation", {tagged(tags::kOfficeLocation)}},
    {"Profession", {tagged(tags::kProfession)}},
    {"ManagerName", {tagged(tags::kManagerName)}},
    {"AssistantName", {tagged(tags::kAssistant)}},
    {"Spouse", {tagged(tags::kSpouseName)}},
    {"Body", {tagged(tags::kBody)}},
}};

// PidNameKeywords: one value per category; Outlook's single string separates them with
// "," or ";".
std::vector<std::u16string> splitCategories(std::string_view text) {
  std::vector<std::u16string> categories;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(",;", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view part = text.substr(start, end - start);
    while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) part.remove_prefix(1);
    while (!part.empty() && (part.back() == ' ' || part.back() == '\t')) part.remove_suffix(1);
    if (!part.empty()) categories.push_back(pst::toUtf16(part));
    start = end + 1;
  }
  return categories;
}

}  // namespace

const std::vector<std::string_view>& contactPropertyNames() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> out;
    for (const NameMapping& mapping : kMappings) {
      out.push_back(mapping.name);
      if (mapping.name == "IMAddress") out.push_back(kCategories);
    }
    return out;
  }();
  return names;
}

pst::FileTime contactDateTime(std::chrono::year_month_day date) {
  const auto noon = std::chrono::sys_days{date}.time_since_epoch() + std::chrono::hours{12};
  return pst::fileTimeFromUnix(std::chrono::duration_cast<std::chrono::seconds>(noon).count());
}

void ContactPropertyWriter::setOrClear(pst::PropTag tag, std::optional<PropValue> value) {
  if (value) {
    item_.set(tag, std::move(*value));
    written_.insert(tag);
  } else if (written_.erase(tag) > 0) {
    item_.remove(pst::tagId(tag));
  }
}

void ContactPropertyWriter::put(std::string_view name, std::string_view value) {
  if (name == kCategories) {
    auto categories = splitCategories(value);
    const pst::PropTag tag = item_.namedTag(
        pst::NamedProperty{psPublicStrings(), std::u16string(u"Keywords")}, PropType::MultiUnicode);
    setOrClear(
        tag, categories.empty() ? std::nullopt : std::optional(PropValue::multiString(categories)));
    return;
  }
  const auto mapping = std::find_if(kMappings.begin(), kMappings.end(),
                                    [&](const NameMapping& m) { return m.name == name; });
  if (mapping == kMappings.end()) {
    throw UnknownContactProperty("unknown contact property name \"" + std::string(name) + "\"");
  }
  if (mapping->valueOf) *mapping->valueOf(values_) = value;
  for (const Place& place : mapping->places) {
    if (place.tag == 0 && place.lid == 0) continue;
    const pst::PropTag tag =
        place.tag != 0 ? place.tag : addressNamedTag(item_, place.lid, PropType::Unicode);
    setOrClear(tag, value.empty() ? std::nullopt : std::optional(PropValue::utf8(value)));
  }
}

void ContactPropertyWriter::putTag(pst::PropTag tag, std::string_view text) {
  if (tag == tags::kDisplayNamePrefix) {
    values_.prefix = text;
  } else if (tag == tags::kGeneration) {
    values_.generation = text;
  } else {
    throw UnknownContactProperty("contact text property tag not supported: " + pst::tagText(tag));
  }
  setOrClear(tag, text.empty() ? std::nullopt : std::optional(PropValue::utf8(text)));
}

void ContactPropertyWriter::putTag(pst::PropTag tag,
                                   std::optional<std::chrono::year_month_day> date) {
  std::uint32_t localLid = 0;
  if (tag == tags::kBirthday) {
    localLid = tags::kLidBirthdayLocal;
  } else if (tag == tags::kWeddingAnniversary) {
    localLid = tags::kLidWeddingAnniversaryLocal;
  } else {
    throw UnknownContactProperty("contact date property tag not supported: " + pst::tagText(tag));
  }
  const pst::PropTag localTag = addressNamedTag(item_, localLid, PropType::SysTime);
  if (!date || !date->ok()) {
    setOrClear(tag, std::nullopt);
    setOrClear(localTag, std::nullopt);
    return;
  }
  setOrClear(tag, PropValue::time(contactDateTime(*date)));
  const auto midnight = std::chrono::sys_days{*date}.time_since_epoch();
  setOrClear(localTag, PropValue::time(pst::fileTimeFromUnix(
                           std::chrono::duration_cast<std::chrono::seconds>(midnight).count())));
}

void ContactPropertyWriter::save() {
  writeDerivedContactProperties(values_, item_);
}

}  // namespace mailferry::store
