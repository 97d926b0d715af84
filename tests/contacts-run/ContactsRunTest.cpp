// The contacts window's Convert command over real contact files, driven through the window
// interface with the folder dialog answered, and the store it makes read back by pstcheck
// and the three independent readers.
#include <gtest/gtest.h>

#include "app/WindowConversion.h"
#include "contacts/ContactsRun.h"
#include "sources/SourceList.h"
#include "tests/contacts/ContactXml.h"
#include "tests/sources/MemoryWindow.h"
#include "tests/sources/RecordingDialogs.h"
#include "tests/support/ReaderOracles.h"

namespace mailferry::contacts {
namespace {

using namespace testing;  // the contact file builders
using sources::testing::MemoryWindow;
using sources::testing::RecordingDialogs;

class ContactsRunTest : public ::testing::Test {
 protected:
  // A path as the folder search lists it: with the system's separator throughout.
  static std::string listed(std::filesystem::path file) { return file.make_preferred().string(); }
  void list(const std::filesystem::path& file) { sources::AddFileToList(window_, listed(file)); }

  // Runs Convert with the output folder answered and returns the result.
  ContactsRunResult convert() {
    dialogs_.browseAnswers = {out_.path().string()};
    window_.setConvertEnabled(true);
    auto result = app::convertListedFiles(window_);
    progress_.push_back(window_.progressValue());
    return result;
  }

  TempFolder in_, out_;
  RecordingDialogs dialogs_;
  MemoryWindow window_{sources::WindowKind::Contacts};
  std::vector<float> progress_;
};

TEST_F(ContactsRunTest, ThreeFilesBecomeThreeContactsThatEveryReaderSees) {
  std::filesystem::create_directories(in_.path() / "Data" / "Contacts");
  list(in_.write("Data/Contacts/Ann.contact",
                 contactDocument(nameCollection("Ann", "Archer") +
                                 collection("EmailAddressCollection",
                                            emailAddress("ann@example.com") +
                                                emailAddress("ann.archer@example.org")))));
  list(in_.write(
      "Data/Contacts/Bob.contact",
      contactDocument(nameCollection("Bob", "Baker") +
                      collection("EmailAddressCollection", emailAddress("bob@example.com")))));
  list(in_.write("Data/Contacts/Cy.contact",
                 contactDocument(nameCollection("Cy", "Cole", "Dee", "Dr.", "Jr."))));

  auto result = convert();
  ASSERT_EQ(result.outcome, ContactsRunResult::Outcome::Finished) << result.tally.storeError;
  EXPECT_EQ(result.tally.converted, 3);
  EXPECT_TRUE(result.tally.failures.empty());
  EXPECT_FLOAT_EQ(window_.progressValue(), 100.0f);
  EXPECT_TRUE(window_.convertEnabled());
  const std::string folder = (in_.path() / "Data" / "Contacts").relative_path().string();
  EXPECT_EQ(window_.currentCaption(), "Converting Contacts... from (" + folder + ")");
  // The path after the drive's colon (on Linux, the whole path).
  const std::string last = listed(in_.path() / "Data/Contacts/Cy.contact");
  EXPECT_EQ(window_.progressCaption(), last.substr(last.find(':') + 1));
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_NE(dialogs_.messages[0].text.find("3 contacts converted, 0 failed."), std::string::npos);

  const std::string pst = result.tally.pstPath;
  auto check = mailferry::testing::pstcheck(pst);
  EXPECT_EQ(check.exitCode, 0) << check.output;
  // The walk state starts afresh for every file: Bob's only address is his Email1.
  auto readers = mailferry::testing::compareReaders(pst, R"({"folders": [
    {"path": "Contacts", "itemCount": 3, "items": [
      {"kind": "contact", "contact": {"givenName": "Ann", "surname": "Archer",
        "email1": "ann@example.com", "email2": "ann.archer@example.org"}},
      {"kind": "contact", "contact": {"givenName": "Bob", "surname": "Baker",
        "email1": "bob@example.com", "email2": ""}},
      {"kind": "contact", "contact": {"givenName": "Cy", "middleName": "Dee", "surname": "Cole"}}
    ]}]})");
  EXPECT_EQ(readers.exitCode, 0) << readers.output;
}

TEST_F(ContactsRunTest, UnreadableFilesAreNamedAndSkippedWhileTheRestConverts) {
  list(in_.path() / "missing.contact");
  list(in_.write("broken.contact", "<c:contact xmlns:c=\"http://schemas.microsoft.com/Contact\">"));
  list(in_.write("good.contact", contactDocument(nameCollection("Dee", "Dale"))));

  auto result = convert();
  ASSERT_EQ(result.outcome, ContactsRunResult::Outcome::Finished);
  EXPECT_EQ(result.tally.converted, 1);
  ASSERT_EQ(result.tally.failures.size(), 2u);
  EXPECT_NE(result.tally.failures[0].path.find("missing.contact"), std::string::npos);
  EXPECT_NE(result.tally.failures[1].path.find("broken.contact"), std::string::npos);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].icon, sources::MessageIcon::Exclamation);
  EXPECT_NE(dialogs_.messages[0].text.find("broken.contact"), std::string::npos);

  // No empty contact stands for the two bad files.
  auto readers = mailferry::testing::compareReaders(result.tally.pstPath, R"({"folders": [
    {"path": "Contacts", "itemCount": 1, "items": [
      {"kind": "contact", "contact": {"givenName": "Dee", "surname": "Dale"}}]}]})");
  EXPECT_EQ(readers.exitCode, 0) << readers.output;
}

TEST_F(ContactsRunTest, ARunWhereEveryFileFailsDoesNotLookLikeSuccess) {
  list(in_.path() / "gone.contact");
  auto result = convert();
  EXPECT_EQ(result.tally.converted, 0);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].icon, sources::MessageIcon::Exclamation);
  EXPECT_NE(dialogs_.messages[0].text.find("No contact was converted"), std::string::npos);
  // The store it made is still a valid, empty one.
  EXPECT_EQ(mailferry::testing::pstcheck(result.tally.pstPath).exitCode, 0);
}

TEST_F(ContactsRunTest, CancellingTheOutputFolderChangesNothing) {
  list(in_.write("a.contact", contactDocument(nameCollection("Ann", "Archer"))));
  window_.setConvertEnabled(true);
  auto result = app::convertListedFiles(window_);  // the dialog answers nothing: cancel
  EXPECT_EQ(result.outcome, ContactsRunResult::Outcome::Cancelled);
  EXPECT_TRUE(std::filesystem::is_empty(out_.path()));
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(window_.convertEnabled());
  EXPECT_EQ(window_.progressValue(), 0.0f);
}

TEST_F(ContactsRunTest, ProgressFollowsTheRowsAndConvertIsDisabledDuringTheRun) {
  for (const char* name : {"a", "b", "c"}) {
    list(in_.write(std::string(name) + ".contact", contactDocument(nameCollection(name, "X"))));
  }
  struct Watcher : MemoryWindow {
    using MemoryWindow::MemoryWindow;
    std::vector<float> values;
    std::vector<bool> convertStates;
    void setProgressValue(float value) override {
      MemoryWindow::setProgressValue(value);
      values.push_back(value);
      convertStates.push_back(convertEnabled());
    }
  } watcher(sources::WindowKind::Contacts);
  for (int row = 0; row < window_.gridRows(); ++row)
    sources::AddFileToList(watcher, window_.gridText(row, 0));
  dialogs_.browseAnswers = {out_.path().string()};
  watcher.setConvertEnabled(true);
  app::convertListedFiles(watcher);
  ASSERT_EQ(watcher.values.size(), 3u);
  EXPECT_NEAR(watcher.values[0], 33.3f, 0.05f);
  EXPECT_NEAR(watcher.values[1], 66.7f, 0.05f);
  EXPECT_FLOAT_EQ(watcher.values[2], 100.0f);
  EXPECT_EQ(watcher.convertStates, (std::vector<bool>{false, false, false}));
  EXPECT_TRUE(watcher.convertEnabled());
}

}  // namespace
}  // namespace mailferry::contacts
