// Both runs on a disk that fills up part-way (a small tmpfs): the run stops at the first
// failed write with the system's cause, nothing aborts, and the file left is either a valid
// PST or gone, as the closing message says.
#ifndef _WIN32
#include <sys/mount.h>
#endif

#include <gtest/gtest.h>

#include "contacts/ContactsRun.h"
#include "email/EmailRun.h"
#include "sources/WindowProgress.h"
#include "tests/contacts/ContactXml.h"
#include "tests/email/RunFixture.h"
#include "tests/sources/MemoryWindow.h"
#include "tests/support/ReaderOracles.h"
#include "tests/support/TempFolder.h"

namespace mailferry::email::testing {
namespace {

using mailferry::testing::TempFolder;

// A tmpfs of a few hundred kilobytes mounted for the life of the object (needs root).
class SmallDisk {
 public:
#ifdef _WIN32
  SmallDisk() : folder_("small-disk") {}  // Windows mounts no disk in a folder for a test
#else
  SmallDisk() : folder_("small-disk") {
    mounted_ = ::mount("tmpfs", folder_.path().c_str(), "tmpfs", 0, "size=400k") == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount(folder_.path().c_str());
  }
#endif
  bool mounted() const {
    return mounted_;
  }
  std::string path() const {
    return folder_.path().string();
  }

 private:
  TempFolder folder_;
  bool mounted_ = false;
};

store::RunResult convertOnto(const std::string& output, sources::WindowKind kind,
                             const std::vector<std::string>& files) {
  sources::testing::MemoryWindow window(kind);
  sources::WindowProgress progress(window);
  const sources::RunRequest request{kind, files, output, {}, {}};
  return kind == sources::WindowKind::Email ? convertEmails(request, progress)
                                            : contacts::convertContacts(request, progress);
}

void expectStoppedWithTheCause(const store::RunResult& result, const char* words) {
  ASSERT_EQ(result.outcome, store::RunResult::Outcome::Finished);
  EXPECT_EQ(result.tally.storeError, "no space left on device");
  EXPECT_TRUE(result.tally.failures.empty()) << "the source files were not at fault";
  const std::string summary = store::summarizeRun(result.tally, {words, words}).text;
  EXPECT_NE(summary.find("could not be finished: no space left on device"), std::string::npos)
      << summary;
  if (result.tally.pstRemoved) {
    EXPECT_FALSE(std::filesystem::exists(result.tally.pstPath));
    EXPECT_NE(summary.find("The unfinished file was removed"), std::string::npos) << summary;
  } else {
    EXPECT_EQ(mailferry::testing::pstcheck(result.tally.pstPath).exitCode, 0);
  }
}

TEST(FullDiskTest, EitherRunStopsWithTheCauseAndLeavesAValidFileOrNone) {
  SmallDisk emailDisk, contactsDisk;
  if (!emailDisk.mounted() || !contactsDisk.mounted()) {
    GTEST_SKIP() << "mounting a small tmpfs needs Linux and root";
  }
  TempFolder sources("full-disk-sources");
  std::vector<std::string> messages, contactFiles;
  const std::string body(4000, 'x');
  for (int i = 0; i < 200; ++i) {
    const std::string name = std::to_string(i);
    messages.push_back(sources.write("Mail/" + name + ".eml", messageText(name, body)).string());
    contactFiles.push_back(
        sources
            .write("Contacts/" + name + ".contact",
                   contacts::testing::contactDocument(
                       contacts::testing::nameCollection(name, body.substr(0, 2000))))
            .string());
  }
  expectStoppedWithTheCause(convertOnto(emailDisk.path(), sources::WindowKind::Email, messages),
                            "messages");
  expectStoppedWithTheCause(
      convertOnto(contactsDisk.path(), sources::WindowKind::Contacts, contactFiles), "contacts");
}

}  // namespace
}  // namespace mailferry::email::testing
