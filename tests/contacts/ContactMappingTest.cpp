// The mapping of contact properties onto a message item: where each object-model name is
// kept, the four tagged properties, dates, and what is derived on save.
#include <gtest/gtest.h>

#include "contacts/ContactRecordWriter.h"
#include "pst/messaging/OneOffEntryId.h"
#include "store/ContactProperties.h"
#include "store/ContactPropertySets.h"
#include "tests/contacts/RecordingSink.h"

namespace mailferry::contacts {
namespace {

using pst::PropType;
using store::ContactPropertyWriter;
using testing::RecordingSink;
using namespace std::chrono;

pst::NamedProperty lid(std::uint32_t id) {
  return {store::psetidAddress(), id};
}
pst::NamedProperty keywords() {
  return {store::psPublicStrings(), std::u16string(u"Keywords")};
}

std::string textAt(const RecordingSink& sink, pst::PropTag tag) {
  auto value = sink.get(tag);
  return value ? value->asUtf8() : "<unset>";
}
std::string namedText(const RecordingSink& sink, std::uint32_t id) {
  auto value = sink.getNamed(lid(id), PropType::Unicode);
  return value ? value->asUtf8() : "<unset>";
}
std::int32_t namedInt(const RecordingSink& sink, std::uint32_t id) {
  auto value = sink.getNamed(lid(id), PropType::Int32);
  return value ? value->asInt32() : -999;
}

struct Expected {
  std::string_view name;
  pst::PropTag tag;   // 0 when named
  std::uint32_t lid;  // 0 when tagged
};

// [MS-OXOCNTC] 2.2.1 and the Outlook object-model names.
constexpr Expected kExpected[] = {
    {"FirstName", 0x3A06001F, 0},
    {"MiddleName", 0x3A44001F, 0},
    {"LastName", 0x3A11001F, 0},
    {"JobTitle", 0x3A17001F, 0},
    {"CompanyName", 0x3A16001F, 0},
    {"BusinessTelephoneNumber", 0x3A08001F, 0},
    {"BusinessFaxNumber", 0x3A24001F, 0},
    {"HomeTelephoneNumber", 0x3A09001F, 0},
    {"HomeFaxNumber", 0x3A25001F, 0},
    {"MobileTelephoneNumber", 0x3A1C001F, 0},
    {"PagerNumber", 0x3A21001F, 0},
    {"BusinessAddressStreet", 0, 0x8045},
    {"BusinessAddressCity", 0, 0x8046},
    {"BusinessAddressState", 0, 0x8047},
    {"BusinessAddressPostalCode", 0, 0x8048},
    {"BusinessAddressCountry", 0, 0x8049},
    {"HomeAddressStreet", 0x3A5D001F, 0},
    {"HomeAddressCity", 0x3A59001F, 0},
    {"HomeAddressState", 0x3A5C001F, 0},
    {"HomeAddressPostalCode", 0x3A5B001F, 0},
    {"HomeAddressCountry", 0x3A5A001F, 0},
    {"Email1Address", 0, 0x8083},
    {"Email2Address", 0, 0x8093},
    {"Email3Address", 0, 0x80A3},
    {"WebPage", 0x3A51001F, 0},
    {"IMAddress", 0, 0x8062},
    {"Department", 0x3A18001F, 0},
    {"OfficeLocation", 0x3A19001F, 0},
    {"Profession", 0x3A46001F, 0},
    {"ManagerName", 0x3A4E001F, 0},
    {"AssistantName", 0x3A30001F, 0},
    {"Spouse", 0x3A48001F, 0},
    {"Body", 0x1000001F, 0},
};

TEST(ContactProperties, EachNameLandsInItsMapiProperty) {
  EXPECT_EQ(store::contactPropertyNames().size(), 34u);
  for (const Expected& expected : kExpected) {
    SCOPED_TRACE(std::string(expected.name));
    RecordingSink sink;
    ContactPropertyWriter writer(sink);
    const std::string value = "v-" + std::string(expected.name) + "-é";
    writer.put(expected.name, value);
    if (expected.tag != 0) {
      EXPECT_EQ(textAt(sink, expected.tag), value);
    } else {
      EXPECT_EQ(namedText(sink, expected.lid), value);
    }
    const std::size_t places = expected.name == "WebPage" ? 2 : 1;
    EXPECT_EQ(sink.props.size(), places);
  }
}

TEST(ContactProperties, WebPageAlsoGoesToPidLidHtml) {
  RecordingSink sink;
  ContactPropertyWriter(sink).put("WebPage", "https://example.com/");
  EXPECT_EQ(textAt(sink, 0x3A51001F), "https://example.com/");
  EXPECT_EQ(namedText(sink, 0x802B), "https://example.com/");
}

TEST(ContactProperties, CategoriesBecomeKeywords) {
  RecordingSink sink;
  ContactPropertyWriter writer(sink);
  writer.put("Categories", "Friends; Work ,, Ærø");
  const auto value = sink.getNamed(keywords(), PropType::MultiUnicode);
  ASSERT_TRUE(value);
  EXPECT_EQ(*value, pst::PropValue::multiString({u"Friends", u"Work", u"Ærø"}));
  writer.put("Categories", " ; ");
  EXPECT_FALSE(sink.getNamed(keywords(), PropType::MultiUnicode));
}

TEST(ContactProperties, UnknownNamesAndTagsAreErrorsThatWriteNothing) {
  RecordingSink sink;
  ContactPropertyWriter writer(sink);
  EXPECT_THROW(writer.put("Firstname", "x"), store::UnknownContactProperty);
  EXPECT_THROW(writer.put("", "x"), store::UnknownContactProperty);
  EXPECT_THROW(writer.putTag(0x3A06001F, "x"), store::UnknownContactProperty);
  EXPECT_THROW(writer.putTag(0x30070040, year_month_day{year{2000}, month{1}, day{1}}),
               store::UnknownContactProperty);
  EXPECT_TRUE(sink.props.empty());
}

TEST(ContactProperties, EmptyValueLeavesOrMakesThePropertyUnset) {
  RecordingSink sink;
  ContactPropertyWriter writer(sink);
  writer.put("FirstName", "");
  writer.put("Email1Address", "");
  EXPECT_TRUE(sink.props.empty());
  writer.put("FirstName", "Jane");
  writer.put("FirstName", "");
  EXPECT_TRUE(sink.props.empty());
}

TEST(ContactProperties, DatesAreNoonUtcWithTheLocalDayBeside) {
  RecordingSink sink;
  ContactPropertyWriter writer(sink);
  writer.putTag(pst::tags::kBirthday, year_month_day{year{1980}, month{2}, day{29}});
  writer.putTag(pst::tags::kWeddingAnniversary, std::nullopt);
  // 1980-02-29 is 3711 days after 1970-01-01.
  const auto noon = pst::fileTimeFromUnix(3711LL * 86400 + 12 * 3600);
  const auto midnight = pst::fileTimeFromUnix(3711LL * 86400);
  ASSERT_TRUE(sink.get(pst::tags::kBirthday));
  EXPECT_EQ(sink.get(pst::tags::kBirthday)->asInt64(), static_cast<std::int64_t>(noon));
  EXPECT_EQ(sink.getNamed(lid(0x80DE), PropType::SysTime)->asInt64(),
            static_cast<std::int64_t>(midnight));
  EXPECT_FALSE(sink.get(pst::tags::kWeddingAnniversary));
  EXPECT_FALSE(sink.getNamed(lid(0x80DF), PropType::SysTime));

  writer.putTag(pst::tags::kBirthday, std::nullopt);
  EXPECT_FALSE(sink.get(pst::tags::kBirthday));
  EXPECT_FALSE(sink.getNamed(lid(0x80DE), PropType::SysTime));
}

TEST(ContactDerived, FullContact) {
  RecordingSink sink;
  ContactPropertyWriter writer(sink);
  writer.put("FirstName", "Jane");
  writer.put("MiddleName", "Anne");
  writer.put("LastName", "Smith");
  writer.put("CompanyName", "Kestrel Ltd");
  writer.put("Email1Address", "jane@example.com");
  writer.put("Email3Address", "js@example.org");
  writer.put("BusinessAddressStreet", "1 Work Rd");
  writer.put("BusinessAddressCity", "Metropolis");
  writer.put("BusinessAddressState", "NY");
  writer.put("BusinessAddressPostalCode", "10001");
  writer.put("HomeAddressStreet", "2 Home Ln");
  writer.put("HomeAddressCountry", "USA");
  writer.putTag(pst::tags::kDisplayNamePrefix, "Dr.");
  writer.putTag(pst::tags::kGeneration, "Jr.");
  writer.save();

  EXPECT_EQ(textAt(sink, 0x001A001F), "IPM.Contact");
  EXPECT_EQ(textAt(sink, 0x3001001F), "Dr. Jane Anne Smith Jr.");
  EXPECT_EQ(textAt(sink, 0x0037001F), "Dr. Jane Anne Smith Jr.");
  EXPECT_EQ(textAt(sink, 0x0070001F), "Dr. Jane Anne Smith Jr.");
  EXPECT_EQ(textAt(sink, 0x3A0A001F), "J.A.S.");
  EXPECT_EQ(textAt(sink, pst::tags::kDisplayNamePrefix), "Dr.");
  EXPECT_EQ(textAt(sink, pst::tags::kGeneration), "Jr.");
  EXPECT_EQ(namedText(sink, 0x8005), "Smith, Jane Anne");
  EXPECT_EQ(namedInt(sink, 0x8006), 0x8017);

  EXPECT_EQ(namedText(sink, 0x8080), "Dr. Jane Anne Smith Jr.");
  EXPECT_EQ(namedText(sink, 0x8082), "SMTP");
  EXPECT_EQ(namedText(sink, 0x8084), "jane@example.com");
  const auto entryId = sink.getNamed(lid(0x8085), PropType::Binary);
  ASSERT_TRUE(entryId);
  EXPECT_EQ(std::vector<std::uint8_t>(entryId->bytes().begin(), entryId->bytes().end()),
            pst::makeOneOffEntryId("Dr. Jane Anne Smith Jr.", "SMTP", "jane@example.com"));
  EXPECT_EQ(namedText(sink, 0x8090), "<unset>");
  EXPECT_EQ(namedText(sink, 0x80A2), "SMTP");
  EXPECT_EQ(*sink.getNamed(lid(0x8028), PropType::MultiInt32),
            pst::PropValue::multiInt32(std::vector<std::int32_t>{0, 2}));
  EXPECT_EQ(namedInt(sink, 0x8029), 0x1 | 0x4);

  EXPECT_EQ(namedText(sink, 0x801B), "1 Work Rd\r\nMetropolis, NY 10001");
  EXPECT_EQ(namedText(sink, 0x801A), "2 Home Ln\r\nUSA");
  EXPECT_EQ(namedInt(sink, 0x8022), 2);
  EXPECT_EQ(textAt(sink, 0x3A29001F), "1 Work Rd");
  EXPECT_EQ(textAt(sink, 0x3A27001F), "Metropolis");
  EXPECT_EQ(textAt(sink, 0x3A28001F), "NY");
  EXPECT_EQ(textAt(sink, 0x3A2A001F), "10001");
  EXPECT_EQ(textAt(sink, 0x3A26001F), "<unset>");
  EXPECT_EQ(textAt(sink, 0x3A15001F), "1 Work Rd\r\nMetropolis, NY 10001");

  EXPECT_EQ(sink.get(0x10800003)->asInt32(), 0x200);
  EXPECT_EQ(sink.get(0x0E070003)->asInt32(), 1);
  EXPECT_EQ(sink.get(0x00360003)->asInt32(), 0);
  EXPECT_EQ(sink.get(0x00170003)->asInt32(), 1);
  EXPECT_FALSE(sink.getNamed(lid(0x8015), PropType::Boolean)->asBool());
}

TEST(ContactDerived, NamesFallBackToCompanyThenAddress) {
  store::ContactValues values;
  values.companyName = "Kestrel Ltd";
  values.email[1] = "info@kestrel.example";
  EXPECT_EQ(store::composeDisplayName(values), "Kestrel Ltd");
  EXPECT_EQ(store::composeFileAs(values).id, 0x3A16);
  EXPECT_EQ(store::composeFileAs(values).text, "Kestrel Ltd");
  values.companyName.clear();
  EXPECT_EQ(store::composeDisplayName(values), "info@kestrel.example");
  EXPECT_EQ(store::composeFileAs(values).id, 0x3001);
  EXPECT_EQ(store::composeEmailDisplayName("", "info@kestrel.example"), "info@kestrel.example");
  values.email[1].clear();
  EXPECT_EQ(store::composeDisplayName(values), "");
  EXPECT_EQ(store::composeFileAs(values).text, "");

  values.surname = "Ångström";
  values.givenName = "Émile";
  EXPECT_EQ(store::composeInitials(values), "É.Å.");
  EXPECT_EQ(store::composeFileAs(values).text, "Ångström, Émile");
  values.givenName.clear();
  EXPECT_EQ(store::composeFileAs(values).text, "Ångström");
}

TEST(ContactDerived, HomeIsTheMailingAddressWithoutABusinessOne) {
  RecordingSink sink;
  ContactPropertyWriter writer(sink);
  writer.put("HomeAddressCity", "Smallville");
  writer.put("HomeAddressPostalCode", "66002");
  writer.save();
  EXPECT_EQ(namedInt(sink, 0x8022), 1);
  EXPECT_EQ(textAt(sink, 0x3A27001F), "Smallville");
  EXPECT_EQ(textAt(sink, 0x3A15001F), "Smallville, 66002");
  EXPECT_EQ(namedText(sink, 0x801B), "<unset>");
}

TEST(ContactDerived, OneOffEntryIdLayout) {
  const auto id = pst::makeOneOffEntryId("A", "SMTP", "a@b");
  const std::vector<std::uint8_t> expected = {
      0,    0,    0,    0,    0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
      0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02, 0,    0,    0x01, 0x80,
      'A',  0,    0,    0,    'S',  0,    'M',  0,    'T',  0,    'P',  0,
      0,    0,    'a',  0,    '@',  0,    'b',  0,    0,    0};
  EXPECT_EQ(id, expected);
}

// PidLidEmail1OriginalEntryId of the contact in tests/data/reference/outlook-made.pst, written by
// Outlook itself for "contact name 1" <contact1@rjohnson.id.au>.
TEST(ContactDerived, OneOffEntryIdMatchesOutlooksOwn) {
  const std::string outlookHex =
      "00000000812b1fa4bea310199d6e00dd010f54020000018063006f006e00740061006300740020006e0061"
      "006d00650020003100000053004d0054005000000063006f006e0074006100630074003100400072006a00"
      "6f0068006e0073006f006e002e00690064002e00610075000000";
  std::vector<std::uint8_t> outlook;
  for (std::size_t i = 0; i < outlookHex.size(); i += 2) {
    outlook.push_back(static_cast<std::uint8_t>(std::stoi(outlookHex.substr(i, 2), nullptr, 16)));
  }
  EXPECT_EQ(pst::makeOneOffEntryId("contact name 1", "SMTP", "contact1@rjohnson.id.au"), outlook);
  store::ContactValues values;
  values.givenName = "contact";
  values.middleName = "name";
  values.surname = "1";
  values.email[0] = "contact1@rjohnson.id.au";
  // Outlook's file: display name, Email1DisplayName, initials, file-as of that contact.
  EXPECT_EQ(store::composeDisplayName(values), "contact name 1");
  EXPECT_EQ(store::composeEmailDisplayName("contact name 1", values.email[0]), "contact name 1");
  EXPECT_EQ(store::composeInitials(values), "c.n.1.");
  EXPECT_EQ(store::composeFileAs(values).text, "1, contact name");
}

TEST(ContactRecordWriting, EmptyRecordGivesOnlyTheBookkeeping) {
  RecordingSink sink;
  writeContactRecord(ContactRecord{}, sink);
  EXPECT_EQ(textAt(sink, 0x001A001F), "IPM.Contact");
  EXPECT_EQ(namedText(sink, 0x8062), "<unset>");  // no IM address of two blanks
  EXPECT_EQ(textAt(sink, 0x3001001F), "<unset>");
  EXPECT_FALSE(sink.get(pst::tags::kBirthday));
  // Message class, FileUnderId, HasPicture, icon, flags, sensitivity, importance.
  EXPECT_EQ(sink.props.size(), 7u);
}

TEST(ContactRecordWriting, RecordFieldsReachTheirProperties) {
  ContactRecord record;
  record.FirstName = "Jane";
  record.LastName = "Smith";
  record.Title = "Ms.";
  record.Suffix = "III";
  record.JobTitle = "Editor";
  record.IMAddress1 = "jane@im.example";
  record.Notes = "Line one\nLine two";
  record.Birthday = year_month_day{year{1975}, month{4}, day{30}};
  RecordingSink sink;
  writeContactRecord(record, sink);
  EXPECT_EQ(textAt(sink, 0x3A17001F), "Editor");
  EXPECT_EQ(textAt(sink, 0x3A46001F), "Editor");  // Profession repeats the job title
  EXPECT_EQ(namedText(sink, 0x8062), "jane@im.example");
  EXPECT_EQ(textAt(sink, 0x1000001F), "Line one\nLine two");
  EXPECT_EQ(textAt(sink, 0x3A45001F), "Ms.");
  EXPECT_EQ(textAt(sink, 0x3A05001F), "III");
  EXPECT_EQ(textAt(sink, 0x3001001F), "Ms. Jane Smith III");
  EXPECT_TRUE(sink.get(pst::tags::kBirthday));
  EXPECT_FALSE(sink.get(pst::tags::kWeddingAnniversary));
  // Title and suffix have no named property of their own.
  for (const auto& [id, entry] : sink.props) {
    if (id >= 0x8000 && entry.second.type() == PropType::Unicode) {
      EXPECT_NE(entry.second.asUtf8(), "Ms.");
      EXPECT_NE(entry.second.asUtf8(), "III");
    }
  }
}

}  // namespace
}  // namespace mailferry::contacts
