// The reader oracles on Outlook's own file: all three open it and agree, an expectation that
// holds passes, and one wrong field is reported with the reader and the field.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "tests/support/TempFolder.h"
#include "tests/support/TestData.h"

namespace {

struct RunResult {
  int status = -1;
  std::string output;
};

RunResult run(const std::string& command) {
  RunResult r;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
  std::array<char, 512> buf{};
  while (fgets(buf.data(), buf.size(), pipe.get())) r.output += buf.data();
  const int status = pclose(pipe.release());
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class OracleScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* oracles = std::getenv("MAILFERRY_ORACLES");
    ASSERT_NE(oracles, nullptr);
    oracles_ = oracles;
  }

  std::filesystem::path write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name) << text;
    return dir_ / name;
  }
  std::string compare(const std::string& args) {
    return oracles_ + "/compare-readers '" + mailferry::testing::referencePst().string() + "' " +
           args;
  }

  std::string oracles_;
  mailferry::testing::TempFolder folder_{"oracles"};
  const std::filesystem::path dir_ = folder_.path();
};

TEST_F(OracleScripts, AllThreeReadersOpenOutlooksFileAndAgree) {
  const RunResult r = run(compare(""));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("pypff, readpst, pst-extractor agree (12 folders)"), std::string::npos)
      << r.output;
  const RunResult counts = run(compare("--counts"));
  EXPECT_EQ(counts.status, 0) << counts.output;
}

TEST_F(OracleScripts, ChecksAnExpectationAndReportsEachWrongField) {
  const std::string expected = R"({"storeName": "Personal Folders", "folders": [
    {"path": "Contacts", "items": [
      {"messageClass": "IPM.Contact", "subject": "contact name 1",
       "contact": {"givenName": "contact", "middleName": "name", "surname": "1",
                   "email1": "contact1@rjohnson.id.au"}},
      {"messageClass": "IPM.DistList", "subject": "test dist list"}]},
    {"path": "Calendar", "items": [
      {"messageClass": "IPM.Appointment", "subject": "Test appointment",
       "body": "This is a complete test"}]},
    {"path": "Inbox", "itemCount": 0}]})";
  const RunResult good = run(compare("--expect '" + write("good.json", expected).string() + "'"));
  EXPECT_EQ(good.status, 0) << good.output;
  EXPECT_NE(good.output.find("as expected"), std::string::npos) << good.output;

  std::string wrong = expected;
  wrong.replace(wrong.find("contact1@"), 9, "contact2@");
  wrong.replace(wrong.find("\"Inbox\", \"itemCount\": 0"), 23, "\"Inbox\", \"itemCount\": 4");
  const RunResult bad = run(compare("--expect '" + write("bad.json", wrong).string() + "'"));
  EXPECT_EQ(bad.status, 1) << bad.output;
  for (const char* reader : {"pypff", "readpst", "pst-extractor"})
    EXPECT_NE(bad.output.find(std::string(reader) + ": Contacts item 0 (contact \"contact 1\"): "
                                                    "contact.email1: expected \"contact2@"),
              std::string::npos)
        << reader << "\n"
        << bad.output;
  EXPECT_NE(bad.output.find("pypff: folder \"Inbox\": expected 4 items, found 0"),
            std::string::npos)
      << bad.output;
}

TEST_F(OracleScripts, EachDumpPrintsTheCommonShape) {
  for (const std::string dump : {"dump-pypff", "dump-readpst", "dump-pst-extractor.js"}) {
    const RunResult r =
        run(oracles_ + "/" + dump + " '" + mailferry::testing::referencePst().string() + "'");
    EXPECT_EQ(r.status, 0) << dump << "\n" << r.output;
    for (const char* key : {"\"reader\"", "\"storeName\": \"Personal Folders\"", "\"folders\"",
                            "\"path\": \"Contacts\"", "\"email1\": \"contact1@rjohnson.id.au\""})
      EXPECT_NE(r.output.find(key), std::string::npos) << dump << " lacks " << key;
  }
}

TEST_F(OracleScripts, RejectsMisuse) {
  EXPECT_EQ(run(compare("--readers nosuchreader")).status, 2);
  EXPECT_EQ(run(oracles_ + "/compare-readers /nonexistent.pst").status, 2);
}

}  // namespace
