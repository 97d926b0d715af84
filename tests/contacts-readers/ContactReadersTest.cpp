// Contacts read from generated files and written into a real PST's default Contacts folder,
// checked with pstcheck and through the independent readers (readpst vCards, pst-extractor,
// pypff by property tag).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "contacts/ContactFile.h"
#include "contacts/ContactRecordWriter.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/PstStore.h"
#include "tests/contacts/ContactXml.h"

namespace mailferry::contacts {
namespace {

using namespace testing;  // the test file builders

struct CommandResult {
  int status = -1;
  std::string output;
};

CommandResult runCommand(const std::string& command) {
  CommandResult result;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
  if (!pipe) return result;
  for (char buffer[512]; fgets(buffer, sizeof buffer, pipe.get());) result.output += buffer;
  result.status = WEXITSTATUS(pclose(pipe.release()));
  return result;
}

std::string quoted(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}

class ContactsInPst : public ::testing::Test {
 protected:
  // Reads each file as the run does (trimmed record) and writes it as a contact.
  std::filesystem::path convert(const std::vector<std::string>& files) {
    const auto pstPath = folder.path() / "contacts.pst";
    auto store = pst::PstStore::create(pstPath, u"Contacts test");
    store->validateIpmTree();
    const auto contacts = store->defaultFolder(pst::DefaultFolder::Contacts);
    EXPECT_TRUE(contacts);
    int index = 0;
    for (const std::string& xml : files) {
      ContactRecord record =
          readContactFile(folder.write("f" + std::to_string(index++) + ".contact", xml));
      trimTextFields(record);
      auto item = store->addMessage(*contacts);
      writeContactRecord(record, *item);
      item->save();
    }
    store->close();
    return pstPath;
  }

  std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
  }

  TempFolder folder;
};

const std::vector<std::string>& sampleFiles() {
  static const std::vector<std::string> files = {
      contactDocument(
          nameCollection(" Jane ", "Smith", "Anne", "Dr.", "Jr.") +
          collection("EmailAddressCollection",
                     emailAddress("jane@example.com") + emailAddress("jane@example.org") +
                         emailAddress("js@example.net") + emailAddress("dropped@example.net")) +
          collection("PhoneNumberCollection", phoneNumber("+1 555 0100", "Voice", "Business") +
                                                  phoneNumber("+1 555 0101", "Voice", "Personal") +
                                                  phoneNumber("+1 555 0102", "Cellular") +
                                                  phoneNumber("+1 555 0103", "Fax", "Business")) +
          collection("PhysicalAddressCollection",
                     physicalAddress("2 Home Ln", "Smallville", "KS", "66002", "USA", "Personal")) +
          collection("UrlCollection", url("https://jane.example.com/", "Business")) +
          collection("DateCollection", date("1980-02-29T00:00:00Z", "wab:Birthday") +
                                           date("2005-06-04T00:00:00Z", "wab:Anniversary")) +
          position("Kestrel Ltd", "Editor", "Books", "B 12") + notes("Met at the fair.")),
      contactDocument(nameCollection("Zoë", "Ångström") +
                      collection("PhysicalAddressCollection",
                                 physicalAddress("Drottninggatan 1", "Stockholm", "", "111 51",
                                                 "Sverige", "Business")) +
                      collection("DateCollection", date("not a date", "wab:Birthday")) +
                      position("Åbo AB", "Chef", "", "")),
      contactDocument(
          collection("EmailAddressCollection", emailAddress("orders@kestrel-books.example")) +
          position("Kestrel Books", "", "", "")),
  };
  return files;
}

TEST_F(ContactsInPst, StructureIsValidAndTheReadersAgree) {
  const auto pstPath = convert(sampleFiles());
  const auto check = runCommand(env("MAILFERRY_BIN_DIR") + "/pstcheck " + quoted(pstPath));
  EXPECT_EQ(check.status, 0) << check.output;

  const auto expected = folder.write("expected.json", R"({
 "folders": [
  {"path": "Contacts", "itemCount": 3, "items": [
   {"kind": "contact", "messageClass": "IPM.Contact", "contact": {
     "displayName": "Kestrel Books", "fileAs": "Kestrel Books", "givenName": "", "surname": "",
     "company": "Kestrel Books", "email1": "orders@kestrel-books.example"}},
   {"kind": "contact", "messageClass": "IPM.Contact", "contact": {
     "displayName": "Dr. Jane Anne Smith Jr.", "fileAs": "Smith, Jane Anne",
     "givenName": "Jane", "middleName": "Anne", "surname": "Smith",
     "email1": "jane@example.com", "email2": "jane@example.org", "email3": "js@example.net",
     "businessPhone": "+1 555 0100", "homePhone": "+1 555 0101",
     "mobilePhone": "+1 555 0102", "businessFax": "+1 555 0103",
     "businessStreet": "", "homeStreet": "2 Home Ln", "homeCity": "Smallville",
     "homeState": "KS", "homePostalCode": "66002", "homeCountry": "USA",
     "company": "Kestrel Ltd", "jobTitle": "Editor", "webPage": "https://jane.example.com/",
     "birthday": "1980-02-29"}},
   {"kind": "contact", "messageClass": "IPM.Contact", "contact": {
     "displayName": "Zoë Ångström", "fileAs": "Ångström, Zoë", "givenName": "Zoë",
     "surname": "Ångström", "businessStreet": "Drottninggatan 1",
     "businessCity": "Stockholm", "businessPostalCode": "111 51",
     "businessCountry": "Sverige", "company": "Åbo AB", "jobTitle": "Chef",
     "birthday": ""}}
  ]}
 ]
})");
  // readpst's vCards carry no web page, so it is held to the rest on its own.
  const auto compare =
      runCommand(env("MAILFERRY_ORACLES") + "/compare-readers " + quoted(pstPath) + " --expect " +
                 quoted(expected) + " --readers pypff,pst-extractor");
  EXPECT_EQ(compare.status, 0) << compare.output;
  std::ifstream in(expected);
  std::string withoutWebPage((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  const std::string webPage = R"("webPage": "https://jane.example.com/",)";
  withoutWebPage.erase(withoutWebPage.find(webPage), webPage.size());
  const auto readpstExpected = folder.write("expected-readpst.json", withoutWebPage);
  const auto readpst = runCommand(env("MAILFERRY_ORACLES") + "/compare-readers " + quoted(pstPath) +
                                  " --expect " + quoted(readpstExpected) + " --readers readpst");
  EXPECT_EQ(readpst.status, 0) << readpst.output;
}

TEST_F(ContactsInPst, TaggedPropertiesAsPypffSeesThem) {
  const auto pstPath = convert(sampleFiles());
  const auto dump = runCommand(env("MAILFERRY_SOURCE_DIR") +
                               "/tests/contacts-readers/contact-tags " + quoted(pstPath));
  ASSERT_EQ(dump.status, 0) << dump.output;
  const std::string& json = dump.output;
  // Title and suffix only through PR_DISPLAY_NAME_PREFIX and PR_GENERATION; the dates at noon
  // UTC; Profession repeats the job title; the notes are the body.
  for (const char* fragment : {
           R"("3A45": "Dr.")",
           R"("3A05": "Jr.")",
           R"("3A42": "1980-02-29T12:00:00Z")",
           R"("3A41": "2005-06-04T12:00:00Z")",
           R"("3A46": "Editor")",
           R"("1000": "Met at the fair.")",
           R"("001A": "IPM.Contact")",
           R"("3A0A": "J.A.S.")",
           R"("3001": "Dr. Jane Anne Smith Jr.")",
       }) {
    EXPECT_NE(json.find(fragment), std::string::npos) << fragment << "\n" << json;
  }
  // The contact whose birthday was no date has none.
  const auto zoe = json.find(R"("Zoë": {)");
  ASSERT_NE(zoe, std::string::npos) << json;
  const auto zoeEnd = json.find('}', zoe);
  EXPECT_EQ(json.substr(zoe, zoeEnd - zoe).find(R"("3A42")"), std::string::npos) << json;
}

TEST_F(ContactsInPst, ReadpstVCardsCarryTheFields) {
  const auto pstPath = convert(sampleFiles());
  const auto out = folder.path() / "readpst";
  std::filesystem::create_directories(out);
  const auto run = runCommand("readpst -q -cv -o " + quoted(out) + " " + quoted(pstPath));
  ASSERT_EQ(run.status, 0) << run.output;
  std::string vcards;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(out)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    vcards += std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // readpst writes no URL line for any web page, so WebPage is not looked for here.
  for (const char* fragment :
       {"FN:Smith\\, Jane Anne", "N:Smith;Jane;Anne;Dr.;Jr.", "EMAIL:jane@example.com",
        "EMAIL:js@example.net", "BDAY:1980-02-29", "ORG:Kestrel Ltd", "TITLE:Editor",
        "TEL;TYPE=work,fax:+1 555 0103", "ADR;TYPE=home:;;2 Home Ln;Smallville;KS;66002;USA",
        "FN:Ångström\\, Zoë", "ADR;TYPE=work:;;Drottninggatan 1;Stockholm;;111 51;Sverige",
        "FN:Kestrel Books"}) {
    EXPECT_NE(vcards.find(fragment), std::string::npos) << fragment << "\n" << vcards;
  }
  EXPECT_EQ(vcards.find("dropped@example.net"), std::string::npos);
}

// The bundled samples (UTF-8 and UTF-16, written like Windows Contacts writes them) reach the
// PST in one piece: pypff and pst-extractor agree on every contact field.
TEST_F(ContactsInPst, SamplesAgreeAcrossReaders) {
  std::vector<std::string> files;
  const auto samples = std::filesystem::path(env("MAILFERRY_SOURCE_DIR")) / "samples" / "contacts";
  for (const auto& entry : std::filesystem::directory_iterator(samples)) {
    std::ifstream in(entry.path(), std::ios::binary);
    files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  ASSERT_GE(files.size(), 4u);
  const auto pstPath = convert(files);
  const auto check = runCommand(env("MAILFERRY_BIN_DIR") + "/pstcheck " + quoted(pstPath));
  EXPECT_EQ(check.status, 0) << check.output;
  const auto expected =
      folder.write("expected.json", R"({"folders": [{"path": "Contacts", "itemCount": )" +
                                        std::to_string(files.size()) + "}]}");
  const auto compare =
      runCommand(env("MAILFERRY_ORACLES") + "/compare-readers " + quoted(pstPath) + " --expect " +
                 quoted(expected) + " --readers pypff,pst-extractor");
  EXPECT_EQ(compare.status, 0) << compare.output;
}

// Valid contact XML not shaped exactly like Windows' own: the contact namespace as the default
// namespace, or under another prefix, and notes in a CDATA section.
TEST_F(ContactsInPst, OtherNamespacePrefixesAndCdataReadLikeWindowsFiles) {
  const auto pstPath = convert({
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<contact xmlns=\"http://schemas.microsoft.com/Contact\"><NameCollection><Name>"
      "<GivenName>Dora</GivenName><FamilyName>Default</FamilyName></Name></NameCollection>"
      "<EmailAddressCollection><EmailAddress><Type>SMTP</Type><Address>dora@example.net"
      "</Address></EmailAddress></EmailAddressCollection></contact>\n",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<wc:contact xmlns:wc=\"http://schemas.microsoft.com/Contact\"><wc:NameCollection>"
      "<wc:Name><wc:GivenName>Pia</wc:GivenName><wc:FamilyName>Prefix</wc:FamilyName>"
      "</wc:Name></wc:NameCollection><wc:Notes><![CDATA[Notes in <CDATA> & kept]]>"
      "</wc:Notes></wc:contact>\n",
  });
  const auto check = runCommand(env("MAILFERRY_BIN_DIR") + "/pstcheck " + quoted(pstPath));
  EXPECT_EQ(check.status, 0) << check.output;
  const auto expected = folder.write("expected.json", R"({
 "folders": [
  {"path": "Contacts", "itemCount": 2, "items": [
   {"kind": "contact", "messageClass": "IPM.Contact", "contact": {
     "displayName": "Dora Default", "fileAs": "Default, Dora", "givenName": "Dora",
     "surname": "Default", "email1": "dora@example.net"}},
   {"kind": "contact", "messageClass": "IPM.Contact", "body": "Notes in <CDATA> & kept",
    "contact": {"displayName": "Pia Prefix", "fileAs": "Prefix, Pia", "givenName": "Pia",
     "surname": "Prefix"}}
  ]}
 ]
})");
  const auto compare = runCommand(env("MAILFERRY_ORACLES") + "/compare-readers " + quoted(pstPath) +
                                  " --expect " + quoted(expected));
  EXPECT_EQ(compare.status, 0) << compare.output;
}

}  // namespace
}  // namespace mailferry::contacts
