// The contact file reader on generated Windows Contacts files: the rule table, its
// tie-breaks, dates, and the loading of odd or hostile files.
#include <gtest/gtest.h>

#include <cstdlib>

#include "contacts/ContactDateText.h"
#include "contacts/ContactFile.h"
#include "contacts/DisplayNode.h"
#include "tests/contacts/ContactXml.h"

namespace mailferry::contacts {
namespace {

using namespace testing;  // the test file builders
using std::chrono::day;
using std::chrono::month;
using std::chrono::year;
using std::chrono::year_month_day;

class ContactReader : public ::testing::Test {
 protected:
  ContactRecord read(const std::string& xml) {
    return readContactFile(folder.write("c" + std::to_string(++count) + ".contact", xml));
  }
  TempFolder folder;
  int count = 0;
};

TEST_F(ContactReader, NamesTitleSuffixPositionAndNotes) {
  const auto r = read(contactDocument(nameCollection("Jane", "Smith", "Anne", "Dr.", "Jr.") +
                                      position("Kestrel Ltd", "Editor", "Books", "B 12") +
                                      notes("Met at the fair &amp; more")));
  EXPECT_EQ(r.FirstName, "Jane");
  EXPECT_EQ(r.MiddleName, "Anne");
  EXPECT_EQ(r.LastName, "Smith");
  EXPECT_EQ(r.Title, "Dr.");
  EXPECT_EQ(r.Suffix, "Jr.");
  EXPECT_EQ(r.CompanyName, "Kestrel Ltd");
  EXPECT_EQ(r.JobTitle, "Editor");
  EXPECT_EQ(r.Department, "Books");
  EXPECT_EQ(r.OfficeLocation, "B 12");
  EXPECT_EQ(r.Notes, "Met at the fair & more");
  // Nothing in a file fills these.
  EXPECT_EQ(r.ManagerName, "");
  EXPECT_EQ(r.IMAddress1, "");
  EXPECT_EQ(r.Categories, "");
  EXPECT_FALSE(r.Birthday);
  EXPECT_FALSE(r.Anniversary);
}

TEST_F(ContactReader, EmptyRootAndRepeatedNames) {
  EXPECT_EQ(read("<c:contact xmlns:c=\"http://schemas.microsoft.com/Contact\"/>"), ContactRecord{});
  const auto r =
      read(contactDocument(nameCollection("First", "Family") + nameCollection("Second", "Family")));
  EXPECT_EQ(r.FirstName, "Second");
}

TEST_F(ContactReader, FirstThreeSmtpAddressesOnly) {
  const auto r = read(contactDocument(collection(
      "EmailAddressCollection", emailAddress("a@x.org") + emailAddress("x400:c=de", "X400") +
                                    emailAddress("b@x.org") + emailAddress("c@x.org") +
                                    emailAddress("d@x.org"))));
  EXPECT_EQ(r.Email1Address, "a@x.org");
  EXPECT_EQ(r.Email2Address, "b@x.org");
  EXPECT_EQ(r.Email3Address, "c@x.org");
}

TEST_F(ContactReader, AddressBeforeItsTypeIsNotTaken) {
  const auto r =
      read(contactDocument("\t<c:EmailAddressCollection><c:EmailAddress><c:Address>early@x.org"
                           "</c:Address><c:Type>SMTP</c:Type></c:EmailAddress>"
                           "</c:EmailAddressCollection>\n"));
  EXPECT_EQ(r.Email1Address, "");
}

TEST_F(ContactReader, PhoneNumbersByTheirLabels) {
  const auto r = read(contactDocument(
      collection("PhoneNumberCollection",
                 phoneNumber("111", "Voice", "Personal") + phoneNumber("222", "Fax", "Business") +
                     phoneNumber("333", "Fax", "Business") + phoneNumber("444", "Cellular") +
                     phoneNumber("555", "Pager") + phoneNumber("666", "Voice") +
                     phoneNumber("777", "Fax", "Personal"))));
  EXPECT_EQ(r.HomeTelephoneNumber, "111");
  EXPECT_EQ(r.BusinessFaxNumber, "222");  // the first one wins
  EXPECT_EQ(r.MobileTelephoneNumber, "444");
  EXPECT_EQ(r.PagerNumber, "555");
  EXPECT_EQ(r.HomeFaxNumber, "777");
  EXPECT_EQ(r.BusinessTelephoneNumber, "");  // "Voice" alone names no place
}

TEST_F(ContactReader, LabelsInTheOtherOrderStoreNothingButMarkBusiness) {
  const auto r = read(contactDocument(
      collection("PhoneNumberCollection", phoneNumber("123", "Business", "Voice")) +
      collection("PhysicalAddressCollection",
                 physicalAddress("1 Main St", "Springfield", "IL", "62701", "USA", "Personal"))));
  EXPECT_EQ(r.BusinessTelephoneNumber, "");
  EXPECT_EQ(r.HomeTelephoneNumber, "");
  EXPECT_EQ(r.HomeAddressStreet, "1 Main St");
  EXPECT_EQ(r.BusinessAddressStreet, "");
}

TEST_F(ContactReader, BusinessPhoneBeforeAddressesSendsThemHome) {
  const auto r = read(contactDocument(
      collection("PhoneNumberCollection", phoneNumber("555-0100", "Voice", "Business")) +
      collection(
          "PhysicalAddressCollection",
          physicalAddress("1 Work Rd", "Metropolis", "NY", "10001", "USA", "Business") +
              physicalAddress("2 Home Ln", "Smallville", "KS", "66002", "USA", "Personal"))));
  EXPECT_EQ(r.BusinessTelephoneNumber, "555-0100");
  EXPECT_EQ(r.BusinessAddressStreet, "");
  EXPECT_EQ(r.HomeAddressStreet, "2 Home Ln");  // the last address wins
  EXPECT_EQ(r.HomeAddressCity, "Smallville");
  EXPECT_EQ(r.HomeAddressState, "KS");
  EXPECT_EQ(r.HomeAddressPostalCode, "66002");
  EXPECT_EQ(r.HomeAddressCountry, "USA");
}

TEST_F(ContactReader, OnePersonalAddressWithoutBusinessLabelFillsBusinessFields) {
  const auto r = read(contactDocument(
      collection("PhysicalAddressCollection",
                 physicalAddress("2 Home Ln", "Smallville", "KS", "66002", "USA", "Personal"))));
  EXPECT_EQ(r.BusinessAddressStreet, "2 Home Ln");
  EXPECT_EQ(r.BusinessAddressCity, "Smallville");
  EXPECT_EQ(r.BusinessAddressState, "KS");
  EXPECT_EQ(r.BusinessAddressPostalCode, "66002");
  EXPECT_EQ(r.BusinessAddressCountry, "USA");
  EXPECT_EQ(r.HomeAddressStreet, "");
}

TEST_F(ContactReader, WebPageTestIgnoresCaseAndAcceptsHttps) {
  EXPECT_EQ(
      read(contactDocument(collection("UrlCollection", url("HTTP://WWW.EXAMPLE.COM/", "Business"))))
          .WebPage,
      "HTTP://WWW.EXAMPLE.COM/");
  EXPECT_EQ(read(contactDocument(
                     collection("UrlCollection", url("https://secure.example.com/", "Business"))))
                .WebPage,
            "https://secure.example.com/");
  EXPECT_EQ(
      read(contactDocument(collection("UrlCollection", url("http://home.example.com/", "Personal") +
                                                           url("www.example.com", "Business"))))
          .WebPage,
      "");
}

TEST_F(ContactReader, DatesAreReadAsYearMonthDay) {
  const auto r = read(contactDocument(
      collection("DateCollection", date("1980-02-29T00:00:00Z", "wab:Birthday") +
                                       date("2004-06-05T23:30:00-07:00", "wab:Anniversary"))));
  EXPECT_EQ(r.Birthday, year_month_day(year{1980}, month{2}, day{29}));
  EXPECT_EQ(r.Anniversary, year_month_day(year{2004}, month{6}, day{5}));
}

TEST_F(ContactReader, InvalidDateIsSkippedAndTheRestIsRead) {
  const auto r = read(
      contactDocument(nameCollection("Before", "Date") +
                      collection("DateCollection", date("1981-02-29T00:00:00Z", "wab:Birthday") +
                                                       date("someday", "wab:Anniversary")) +
                      position("After Inc", "", "", "") + notes("still read")));
  EXPECT_FALSE(r.Birthday);
  EXPECT_FALSE(r.Anniversary);
  EXPECT_EQ(r.FirstName, "Before");
  EXPECT_EQ(r.CompanyName, "After Inc");
  EXPECT_EQ(r.Notes, "still read");
}

TEST_F(ContactReader, CdataAndAnyPrefixOfTheContactNamespaceAreRead) {
  const auto r = read(
      "<c:contact xmlns:c=\"http://schemas.microsoft.com/Contact\" "
      "xmlns:k=\"http://schemas.microsoft.com/Contact\" xmlns:o=\"urn:other\">"
      "<c:NameCollection><c:Name><c:GivenName><![CDATA[Given]]></c:GivenName>"
      "<k:FamilyName>Other</k:FamilyName><c:MiddleName>Seen</c:MiddleName>"
      "<o:Title>Not ours</o:Title></c:Name></c:NameCollection>"
      "<c:Notes>Line &amp; <![CDATA[<kept> as text]]></c:Notes></c:contact>");
  EXPECT_EQ(r.FirstName, "Given");
  EXPECT_EQ(r.LastName, "Other");
  EXPECT_EQ(r.MiddleName, "Seen");
  EXPECT_EQ(r.Title, "");
  EXPECT_EQ(r.Notes, "Line & <kept> as text");

  const auto byDefault = read(
      "<contact xmlns=\"http://schemas.microsoft.com/Contact\"><NameCollection><Name>"
      "<GivenName>Dee</GivenName><FamilyName>Fault</FamilyName></Name></NameCollection>"
      "<EmailAddressCollection><EmailAddress><Type>SMTP</Type><Address>dee@x.org</Address>"
      "</EmailAddress></EmailAddressCollection></contact>");
  EXPECT_EQ(byDefault.FirstName, "Dee");
  EXPECT_EQ(byDefault.LastName, "Fault");
  EXPECT_EQ(byDefault.Email1Address, "dee@x.org");
}

TEST_F(ContactReader, NonAsciiNamesAndUtf16File) {
  const std::string xml =
      contactDocument(nameCollection("Zoë", "Ångström") + notes("日本語のメモ 🙂"));
  const auto utf8 = read(xml);
  EXPECT_EQ(utf8.FirstName, "Zoë");
  EXPECT_EQ(utf8.LastName, "Ångström");
  EXPECT_EQ(utf8.Notes, "日本語のメモ 🙂");

  std::string utf16Xml = xml;
  utf16Xml.replace(utf16Xml.find("UTF-8"), 5, "UTF-16");
  EXPECT_EQ(read(toUtf16LeWithBom(utf16Xml)), utf8);
  EXPECT_EQ(read("\xEF\xBB\xBF" + xml), utf8);  // UTF-8 with a byte-order mark
}

TEST_F(ContactReader, MalformedXmlIsAClearError) {
  const auto file = folder.write("Broken.contact", contactDocument("<c:NameCollection>\n"));
  try {
    readContactFile(file);
    FAIL() << "a malformed file was read";
  } catch (const ContactFileError& error) {
    EXPECT_EQ(error.path(), file);
    EXPECT_NE(std::string(error.what()).find("Broken.contact: not well-formed XML at line"),
              std::string::npos)
        << error.what();
  }
  EXPECT_THROW(readContactFile(folder.path() / "missing.contact"), ContactFileError);
  EXPECT_THROW(readContactFile(folder.path()), ContactFileError);
  EXPECT_THROW(read(""), ContactFileError);
}

TEST_F(ContactReader, ExternalEntityIsNeverRead) {
  const auto secret = folder.write("secret.txt", "TOP-SECRET-LINE");
  const std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE c:contact [\n<!ENTITY xxe SYSTEM \"" +
                          secret.string() + "\">\n<!ENTITY inner \"INNER\">\n]>\n" +
                          "<c:contact xmlns:c=\"http://schemas.microsoft.com/Contact\">"
                          "<c:NameCollection><c:Name><c:GivenName>&xxe;</c:GivenName>"
                          "<c:FamilyName>&inner;</c:FamilyName></c:Name></c:NameCollection>"
                          "</c:contact>";
  const auto file = folder.write("xxe.contact", xml);
  try {
    readContactFile(file);
    FAIL() << "a file with a DTD was read";
  } catch (const ContactFileError& error) {
    EXPECT_NE(std::string(error.what()).find("document type declaration"), std::string::npos);
    EXPECT_EQ(std::string(error.what()).find("TOP-SECRET"), std::string::npos);
  }
  // The walk itself, given such a document, never sees the file either.
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(xml.c_str()));
  ContactRecord record;
  NodeWalkState state;
  DisplayNode(document.children(), record, state);
  EXPECT_EQ(record.FirstName.find("TOP-SECRET"), std::string::npos);
}

TEST_F(ContactReader, EachFileStartsAfresh) {
  const auto first = read(contactDocument(
      collection("EmailAddressCollection", emailAddress("a@x.org") + emailAddress("b@x.org")) +
      collection("PhoneNumberCollection", phoneNumber("1", "Voice", "Business"))));
  const auto second =
      read(contactDocument(collection("EmailAddressCollection", emailAddress("c@x.org")) +
                           collection("PhysicalAddressCollection",
                                      physicalAddress("3 Elm", "Town", "", "", "", "Personal"))));
  EXPECT_EQ(first.Email2Address, "b@x.org");
  EXPECT_EQ(second.Email1Address, "c@x.org");
  EXPECT_EQ(second.Email2Address, "");
  EXPECT_EQ(second.BusinessAddressStreet, "3 Elm");  // no business label in this file
}

TEST_F(ContactReader, DeepNestingDoesNotExhaustTheStack) {
  std::string xml = "<c:contact xmlns:c=\"http://schemas.microsoft.com/Contact\">";
  constexpr int kDepth = 200000;
  for (int i = 0; i < kDepth; ++i) xml += "<c:x>";
  xml += "<c:GivenName>Deep</c:GivenName>";
  for (int i = 0; i < kDepth; ++i) xml += "</c:x>";
  xml += "</c:contact>";
  EXPECT_EQ(read(xml).FirstName, "Deep");
}

// The rules of one text node see the previous node's element and text, never their own.
TEST(ContactRules, WorkedExampleStepByStep) {
  ContactRecord r;
  NodeWalkState s;
  applyTextNode("c:GivenName", "G", r, s);
  applyTextNode("c:FamilyName", "F", r, s);
  applyTextNode("c:Type", "SMTP", r, s);
  EXPECT_TRUE(s.EmailPending);
  EXPECT_EQ(s.EmailCount, 1);
  applyTextNode("c:Address", "X", r, s);
  EXPECT_FALSE(s.EmailPending);
  applyTextNode("c:Number", "N", r, s);
  applyTextNode("c:Label", "Voice", r, s);
  EXPECT_EQ(s.LastVoiceNumber, "N");
  applyTextNode("c:Label", "Business", r, s);
  EXPECT_TRUE(s.BusinessSeen);
  applyTextNode("c:Street", "S", r, s);
  EXPECT_EQ(r.FirstName, "G");
  EXPECT_EQ(r.LastName, "F");
  EXPECT_EQ(r.Email1Address, "X");
  EXPECT_EQ(r.BusinessTelephoneNumber, "N");
  EXPECT_EQ(r.HomeAddressStreet, "S");
  EXPECT_EQ(s.PrevElementName, "c:Street");
  EXPECT_EQ(s.PrevText, "S");
}

TEST(ContactRules, ComparisonsAreExactAndCaseSensitive) {
  ContactRecord r;
  NodeWalkState s;
  applyTextNode("c:Type", "smtp", r, s);
  applyTextNode("c:Address", "lower@x.org", r, s);
  applyTextNode("c:Number", "9", r, s);
  applyTextNode("c:Label", "voice", r, s);
  applyTextNode("c:Label", "business", r, s);
  applyTextNode("C:GivenName", "Upper", r, s);
  EXPECT_EQ(r, ContactRecord{});
  EXPECT_EQ(s.EmailCount, 0);
  EXPECT_FALSE(s.BusinessSeen);
}

TEST(ContactRecordTrim, OnlySpacesAreTrimmed) {
  ContactRecord r;
  r.FirstName = "  Jane ";
  r.Notes = "\tkeep tab\t";
  r.Categories = "   ";
  trimTextFields(r);
  EXPECT_EQ(r.FirstName, "Jane");
  EXPECT_EQ(r.Notes, "\tkeep tab\t");
  EXPECT_EQ(r.Categories, "");
}

}  // namespace
}  // namespace mailferry::contacts

namespace mailferry::contacts {
namespace {

// The samples that ./run converts must stay readable.
TEST(ContactSamples, AllSamplesRead) {
  const char* source = std::getenv("MAILFERRY_SOURCE_DIR");
  const std::filesystem::path folder =
      std::filesystem::path(source ? source : MAILFERRY_SOURCE_DIR) / "samples" / "contacts";
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".contact") continue;
    SCOPED_TRACE(entry.path().string());
    EXPECT_NO_THROW(readContactFile(entry.path()));
    ++count;
  }
  EXPECT_GE(count, 4);
  const auto taro = readContactFile(folder / "Taro Yamada.contact");  // UTF-16
  EXPECT_EQ(taro.LastName, "山田");
  EXPECT_EQ(taro.CompanyName, "株式会社例");
  EXPECT_EQ(taro.BusinessTelephoneNumber, "+81 3-1234-5678");
}

}  // namespace
}  // namespace mailferry::contacts

namespace mailferry::contacts {
namespace {

TEST(ContactDates, FormsThatAreReadAndFormsThatAreNot) {
  using std::chrono::day;
  using std::chrono::month;
  using std::chrono::year;
  using std::chrono::year_month_day;
  EXPECT_EQ(readContactDate("1975-04-30T00:00:00Z"), year_month_day(year{1975}, month{4}, day{30}));
  EXPECT_EQ(readContactDate("1975-04-30"), year_month_day(year{1975}, month{4}, day{30}));
  EXPECT_EQ(readContactDate(" 1975-4-3T"), year_month_day(year{1975}, month{4}, day{3}));
  EXPECT_EQ(readContactDate("2000-02-29T23:59:59+14:00"),
            year_month_day(year{2000}, month{2}, day{29}));
  for (const char* text :
       {"", "T", "1900-02-29", "1975-13-01", "1975-00-10", "1975-04-31", "1975-04-30x", "75-04-30",
        "0001-01-01T00:00:00Z", "30.04.1975", "1975/04/30", "12345-01-01", "1975-04-", "Tuesday"}) {
    EXPECT_FALSE(readContactDate(text)) << text;
  }
}

}  // namespace
}  // namespace mailferry::contacts
