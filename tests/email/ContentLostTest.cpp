// Hostile message files through a whole email run: a file whose content could not all be kept
// is named in the closing message (window and command line) with what was left out; a file
// repaired with nothing lost adds nothing.
#include <filesystem>
#include <fstream>

#include <gmock/gmock.h>

#include "tests/email/RunFixture.h"
#include "tests/support/TestData.h"

namespace mailferry::email::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
namespace oracle = mailferry::testing;

class ContentLostTest : public EmailRunTest {
 protected:
  void hostile(const std::string& name) {
    std::ifstream in(oracle::testDataFile("hostile-mail/" + name), std::ios::binary);
    sources_.file("Mail/" + name, std::string(std::istreambuf_iterator<char>(in), {}));
  }
  static constexpr const char* kLoss =
      "MIME parts nested deeper than 64 levels: its first text kept as the body, 1 part below "
      "them left out";
};

TEST_F(ContentLostTest, OnlyFilesThatLostContentAreNamedWithWhatWasLost) {
  hostile("nested-past-the-limit.eml");   // a file attachment below the cut
  hostile("boundary-never-appears.eml");  // repaired: its raw text kept as the body
  message("Mail/plain.eml", "plain");
  search();
  const EmailRunResult result = run();
  ASSERT_EQ(result.outcome, EmailRunResult::Outcome::Finished);
  EXPECT_EQ(result.tally.converted, 3);
  ASSERT_EQ(result.tally.contentLost.size(), 1u);
  const std::string lossy = path("Mail/nested-past-the-limit.eml");
  EXPECT_EQ(result.tally.contentLost[0].path, lossy);
  EXPECT_EQ(result.tally.contentLost[0].cause, kLoss);

  ASSERT_EQ(dialogs_.messages.size(), 1u);
  const auto& shown = dialogs_.messages[0];
  EXPECT_EQ(shown.icon, sources::MessageIcon::Exclamation);
  EXPECT_THAT(shown.text, HasSubstr("3 messages converted, 0 failed.\n"
                                    "Converted, but with content left out:\n" +
                                    lossy + ": " + kLoss + "\nSaved in: "));
  EXPECT_THAT(shown.text, Not(HasSubstr("boundary-never-appears")));
  expectValidStore(result.tally.pstPath);

  // The command line names the same file, once, and the run still counts as complete.
  const std::string bin = oracle::environmentOr("MAILFERRY_BIN_DIR", "build/bin");
  const auto convert = oracle::runCommand(oracle::shellQuote(bin + "/mailferry-convert") +
                                          " emails " + oracle::shellQuote(sources_.root()) + " " +
                                          oracle::shellQuote(output_.path("cli")) + " --quiet");
  EXPECT_EQ(convert.exitCode, 0) << convert.output;
  EXPECT_THAT(convert.output, HasSubstr("content left out: " + lossy + ": " + kLoss + "\n"));
  EXPECT_THAT(convert.output, Not(HasSubstr("boundary-never-appears")));
}

}  // namespace
}  // namespace mailferry::email::testing
