// The email run through the real engine: folder tree, phases, progress, flags, failures and
// the closing message, checked with pstcheck and the independent PST readers.
#include <algorithm>
#include <filesystem>
#include <sstream>

#include <gmock/gmock.h>

#include "sources/SourcePathPieces.h"
#include "tests/email/RunFixture.h"

namespace mailferry::email::testing {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::FloatNear;
using ::testing::HasSubstr;
using ::testing::Not;
using Outcome = EmailRunResult::Outcome;
namespace oracle = mailferry::testing;

TEST_F(EmailRunTest, MirrorsTheSourceTreeWithEachFolderOnceAndOneMessagePerFile) {
  message("Mail/Inbox/a.eml", "a");
  message("Mail/Inbox/b.eml", "b");
  message("Mail/Sent/c.eml", "c");
  search();
  const EmailRunResult result = run();

  ASSERT_EQ(result.outcome, Outcome::Finished);
  EXPECT_EQ(result.tally.converted, 3);
  EXPECT_TRUE(result.tally.failures.empty());
  EXPECT_TRUE(result.folderFailures.empty());
  EXPECT_TRUE(std::filesystem::exists(result.tally.pstPath));
  EXPECT_EQ(result.tally.pstPath,
            output_.root() + sources::kPathSeparator + "Kestrolin7.12.26 7.30.12.pst");
  EXPECT_EQ(result.storeDisplayName, "Kestrolin : Created - 7.12.26 7.30.12");

  // Every ancestor once, in ordinal order, so that each parent comes before its children.
  const std::string inbox = folderText("Mail/Inbox");
  const std::string sent = folderText("Mail/Sent");
  const std::set<std::string> expected = withAncestors({inbox, sent});
  std::set<std::string> made(result.folderList.begin(), result.folderList.end());
  made.insert(kNewStoreFolders.begin(), kNewStoreFolders.end());
  EXPECT_EQ(made, expected);
  EXPECT_TRUE(std::is_sorted(result.folderList.begin(), result.folderList.end()));
  EXPECT_EQ(made.size(), result.folderList.size() + kNewStoreFolders.size());

  expectValidStore(result.tally.pstPath);
  MAILFERRY_SKIP_WITHOUT_READERS();
  const auto folders = readerFolders(result.tally.pstPath);
  EXPECT_EQ(keysOf(folders), expected);
  EXPECT_EQ(folders.at(inbox), 2);
  EXPECT_EQ(folders.at(sent), 1);
  EXPECT_EQ(folders.at(folderText("Mail")), 0);

  const std::string expectation =
      R"({"folders": [{"path": ")" + inbox +
      R"(", "itemCount": 2, "items": [{"kind": "mail", "subject": "a", "senderAddress": "ann@example.com"},)"
      R"( {"kind": "mail", "subject": "b"}]}, {"path": ")" +
      sent +
      R"(", "itemCount": 1, "items": [{"kind": "mail", "subject": "c", "body": "Body of c"}]}]})";
  const auto readers = oracle::compareReaders(result.tally.pstPath, expectation);
  EXPECT_EQ(readers.exitCode, 0) << readers.output;
}

TEST_F(EmailRunTest, ShowsEachPhaseAndMovesTheProgressBarPerFile) {
  message("Mail/Inbox/a.eml", "a");
  message("Mail/Inbox/b.eml", "b");
  message("Mail/Sent/c.eml", "c");
  search();
  const EmailRunResult result = run();
  ASSERT_EQ(result.outcome, Outcome::Finished);

  const std::string inbox = folderText("Mail/Inbox");
  EXPECT_THAT(window_.captions, Contains("Reading File System Folders...   (" + inbox + ")"));
  EXPECT_THAT(window_.captions, Contains("Preparing Email Folders... (" + inbox + ")"));
  EXPECT_THAT(window_.captions,
              Contains("Creating Outlook Folders... (" + folderText("Mail") + ")"));
  EXPECT_EQ(window_.captions.back(),
            "Converting Messages... from (" + folderText("Mail/Sent") + ")");
  // The path after the drive's colon (on Linux, the whole path).
  const std::string last = path("Mail/Sent/c.eml");
  EXPECT_EQ(window_.progressCaption(), last.substr(last.find(':') + 1));
  EXPECT_THAT(window_.progress,
              ElementsAre(FloatNear(33.3f, 0.05f), FloatNear(66.7f, 0.05f), 100.0f));
  EXPECT_EQ(window_.progressMax(), 100.0f);
  // Disabled from the first message on, enabled again at the end; the grid followed the run.
  EXPECT_THAT(window_.convertStates, ElementsAre(false, false, false, true));
  EXPECT_TRUE(window_.convertEnabled());
  EXPECT_EQ(window_.gridRow(), 2);
  EXPECT_GT(window_.yields, 20);
}

TEST_F(EmailRunTest, SameFolderListedTwiceIsMadeOnceAndGetsEveryRow) {
  message("Mail/Inbox/a.eml", "a");
  search();
  search();  // the same folder again: the file is listed twice
  const EmailRunResult result = run();
  ASSERT_EQ(result.outcome, Outcome::Finished);
  EXPECT_EQ(result.tally.converted, 2);
  expectValidStore(result.tally.pstPath);
  MAILFERRY_SKIP_WITHOUT_READERS();
  const auto folders = readerFolders(result.tally.pstPath);
  EXPECT_EQ(keysOf(folders), withAncestors({folderText("Mail/Inbox")}));
  EXPECT_EQ(folders.at(folderText("Mail/Inbox")), 2);
}

TEST_F(EmailRunTest, LiveMailStoreFolderLandsSevenLevelsDeep) {
  const std::string live = "Users/Ann/AppData/Local/Microsoft/Windows Live Mail/Inbox";
  message(live + "/x.eml", "deep");
  search();
  const EmailRunResult result = run();
  ASSERT_EQ(result.outcome, Outcome::Finished);
  expectValidStore(result.tally.pstPath);
  MAILFERRY_SKIP_WITHOUT_READERS();
  const auto folders = readerFolders(result.tally.pstPath);
  EXPECT_EQ(keysOf(folders), withAncestors({folderText(live)}));
  EXPECT_EQ(folders.at(folderText(live)), 1);
  for (const char* level : {"Users", "Users/Ann", "Users/Ann/AppData", "Users/Ann/AppData/Local",
                            "Users/Ann/AppData/Local/Microsoft",
                            "Users/Ann/AppData/Local/Microsoft/Windows Live Mail"}) {
    EXPECT_EQ(folders.at(folderText(level)), 0) << level;
  }
  const auto readers = oracle::compareReaders(result.tally.pstPath);
  EXPECT_EQ(readers.exitCode, 0) << readers.output;
}

TEST_F(EmailRunTest, NamesThatDifferOnlyInCaseStayApartAtEveryLevel) {
  message("Mail/Inbox/a.eml", "upper");
  message("Mail/inbox/b.eml", "lower");
  search();
  // Top-level names: two rows whose first names differ only in case. Their files do not
  // exist, so they fail, but their folders are made as for any listed row.
  AddFileToList(window_, inRoot("MailferryCaseTest") + sources::kPathSeparator + "x.eml");
  AddFileToList(window_, inRoot("mailferryCaseTest") + sources::kPathSeparator + "y.eml");
  const EmailRunResult result = run();
  ASSERT_EQ(result.outcome, Outcome::Finished);
  EXPECT_EQ(result.tally.converted, 2);
  EXPECT_EQ(result.tally.failures.size(), 2u);
  expectValidStore(result.tally.pstPath);
  MAILFERRY_SKIP_WITHOUT_READERS();
  const auto folders = readerFolders(result.tally.pstPath);
  EXPECT_EQ(folders.at(folderText("Mail/Inbox")), 1);
  EXPECT_EQ(folders.at(folderText("Mail/inbox")), 1);
  EXPECT_EQ(folders.count("MailferryCaseTest"), 1u);
  EXPECT_EQ(folders.count("mailferryCaseTest"), 1u);
}

TEST_F(EmailRunTest, FlagsAreReadAndHasAttachmentOnlyWithAnAttachment) {
  message("Mail/plain.eml", "plain");
  message("Mail/attached.eml", "attached", "some attached bytes");
  search();
  const EmailRunResult result = run();
  ASSERT_EQ(result.outcome, Outcome::Finished);
  ASSERT_EQ(result.tally.converted, 2);

  MAILFERRY_SKIP_WITHOUT_READERS();
  const std::string where = folderText("Mail");
  const auto pypff = oracle::runCommand(oracle::shellQuote(testsDir() + "/message-flags-pypff") +
                                        " " + oracle::shellQuote(result.tally.pstPath));
  EXPECT_EQ(pypff.exitCode, 0) << pypff.output;
  EXPECT_THAT(pypff.output, HasSubstr(where + "\tplain\t1\n"));
  EXPECT_THAT(pypff.output, HasSubstr(where + "\tattached\t17\n"));

  const auto extractor = oracle::runCommand(
      "node " + oracle::shellQuote(testsDir() + "/message-flags.js") + " " +
      oracle::shellQuote(oracles()) + " " + oracle::shellQuote(result.tally.pstPath));
  EXPECT_EQ(extractor.exitCode, 0) << extractor.output;
  EXPECT_THAT(extractor.output, HasSubstr(where + "\tplain\t1\t0\n"));
  EXPECT_THAT(extractor.output, HasSubstr(where + "\tattached\t1\t1\n"));
}

TEST_F(EmailRunTest, FileInTheRootGoesToTheRootFolderAndDoesNotStopTheRun) {
  message("Mail/a.eml", "a");
  search();
  // A file directly in the root (gone by the time of the run, as a test must not write there).
  const std::string rootFile = inRoot("mailferry-root-file-that-is-gone.eml");
  AddFileToList(window_, rootFile);
  message("Mail/b.eml", "b");
  AddFileToList(window_, path("Mail/b.eml"));
  const EmailRunResult result = run();

  ASSERT_EQ(result.outcome, Outcome::Finished);
  EXPECT_EQ(result.tally.converted, 2);
  ASSERT_EQ(result.tally.failures.size(), 1u);
  EXPECT_EQ(result.tally.failures[0].path, rootFile);
  EXPECT_THAT(result.folderList, Contains(std::string(kRootFolder)));
  expectValidStore(result.tally.pstPath);
  MAILFERRY_SKIP_WITHOUT_READERS();
  const auto folders = readerFolders(result.tally.pstPath);
  EXPECT_EQ(folders.at(std::string(kRootFolder)), 0);
  EXPECT_EQ(folders.at(folderText("Mail")), 2);
}

TEST_F(EmailRunTest, FileThatCannotBeImportedLeavesNoMessage) {
  message("Mail/good.eml", "good");
  sources_.file("Mail/empty.eml", "");
  message("Mail/gone.eml", "gone");
  search();
  std::filesystem::remove(path("Mail/gone.eml"));  // listed, then removed before the run
  const EmailRunResult result = run();

  ASSERT_EQ(result.outcome, Outcome::Finished);
  EXPECT_EQ(result.tally.converted, 1);
  ASSERT_EQ(result.tally.failures.size(), 2u);
  std::set<std::string> failed{result.tally.failures[0].path, result.tally.failures[1].path};
  EXPECT_EQ(failed, (std::set<std::string>{path("Mail/empty.eml"), path("Mail/gone.eml")}));
  for (const store::FailedFile& failure : result.tally.failures)
    EXPECT_FALSE(failure.cause.empty());
  expectValidStore(result.tally.pstPath);
  MAILFERRY_SKIP_WITHOUT_READERS();
  EXPECT_EQ(readerFolders(result.tally.pstPath).at(folderText("Mail")), 1);
  const std::string expectation =
      R"({"folders": [{"path": ")" + folderText("Mail") +
      R"(", "itemCount": 1, "items": [{"kind": "mail", "subject": "good"}]}]})";
  const auto readers = oracle::compareReaders(result.tally.pstPath, expectation);
  EXPECT_EQ(readers.exitCode, 0) << readers.output;
}

TEST_F(EmailRunTest, ClosingMessageCountsAndNamesTheFirstFailures) {
  message("Mail/good.eml", "good");
  for (int i = 0; i < 7; ++i) sources_.file("Mail/bad" + std::to_string(i) + ".eml", "");
  search();
  const EmailRunResult result = run();
  ASSERT_EQ(result.outcome, Outcome::Finished);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  const auto& shown = dialogs_.messages[0];
  EXPECT_EQ(shown.title, "Kestrolin Mailferry");
  EXPECT_EQ(shown.icon, sources::MessageIcon::Exclamation);
  EXPECT_THAT(shown.text, HasSubstr("1 message converted, 7 failed."));
  EXPECT_THAT(shown.text,
              HasSubstr(result.tally.failures[0].path + ": " + result.tally.failures[0].cause));
  EXPECT_THAT(shown.text, HasSubstr(result.tally.failures[4].path));
  EXPECT_THAT(shown.text, Not(HasSubstr(result.tally.failures[5].path)));
  EXPECT_THAT(shown.text, HasSubstr("... and 2 more."));
  EXPECT_THAT(shown.text, HasSubstr(result.tally.pstPath));
}

TEST_F(EmailRunTest, RunInWhichEveryFileFailedSaysSoWithAWarning) {
  sources_.file("Mail/a.eml", "");
  sources_.file("Mail/b.eml", "");
  search();
  const EmailRunResult result = run();
  ASSERT_EQ(result.outcome, Outcome::Finished);
  EXPECT_EQ(result.tally.converted, 0);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].icon, sources::MessageIcon::Exclamation);
  EXPECT_THAT(dialogs_.messages[0].text,
              AllOf(HasSubstr("No message was converted: all 2 files failed."),
                    Not(HasSubstr("converted, "))));
  expectValidStore(result.tally.pstPath);
  MAILFERRY_SKIP_WITHOUT_READERS();
  EXPECT_EQ(readerFolders(result.tally.pstPath).at(folderText("Mail")), 0);
}

TEST_F(EmailRunTest, RunWithoutFailuresClosesWithAnInformationMessage) {
  message("Mail/a.eml", "a");
  message("Mail/b.eml", "b");
  search();
  const EmailRunResult result = run();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].icon, sources::MessageIcon::Information);
  EXPECT_THAT(dialogs_.messages[0].text, HasSubstr("2 messages converted, 0 failed."));
  EXPECT_EQ(result.outcome, Outcome::Finished);
}

TEST_F(EmailRunTest, AsksForTheOutputFolderAndSetsTheProgressRange) {
  message("Mail/a.eml", "a");
  search();
  window_.setProgressMax(40);
  dialogs_.browseRequests.clear();
  run();
  ASSERT_EQ(dialogs_.browseRequests.size(), 1u);
  EXPECT_EQ(dialogs_.browseRequests[0].title, "Please select a folder:");
  EXPECT_TRUE(dialogs_.browseRequests[0].startFolder.empty());
  EXPECT_EQ(window_.progressMin(), 0);
  EXPECT_EQ(window_.progressMax(), 100);
}

TEST_F(EmailRunTest, AStopEndsTheRunAfterTheFileAtHandWithAValidStore) {
  for (const char* name : {"a", "b", "c", "d"}) message(std::string("Mail/") + name + ".eml", name);
  search();
  dialogs_.browseAnswers.push_back(output_.root());
  const EmailRunResult result =
      app::convertListedFiles(window_, [this] { return window_.progress.size() >= 2; });
  ASSERT_EQ(result.outcome, Outcome::Finished);
  EXPECT_EQ(result.tally.converted, 2);
  EXPECT_TRUE(result.tally.stopped);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_THAT(dialogs_.messages[0].text,
              AllOf(HasSubstr("stopped before the end"), HasSubstr("2 messages converted"),
                    HasSubstr("Saved in: " + result.tally.pstPath)));
  expectValidStore(result.tally.pstPath);
  MAILFERRY_SKIP_WITHOUT_READERS();
  EXPECT_EQ(readerFolders(result.tally.pstPath).at(folderText("Mail")), 2);
}

TEST_F(EmailRunTest, CancelledOutputDialogMakesNothing) {
  message("Mail/a.eml", "a");
  search();
  const EmailRunResult result = app::convertListedFiles(window_);  // no answer: cancelled
  EXPECT_EQ(result.outcome, Outcome::Cancelled);
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(std::filesystem::is_empty(output_.root()));
  EXPECT_TRUE(window_.convertEnabled());
  EXPECT_EQ(window_.progressMax(), 100);  // untouched from its creation state
}

TEST_F(EmailRunTest, StoreThatCannotBeMadeSaysSoWithTheCause) {
  message("Mail/a.eml", "a");
  search();
  dialogs_.browseAnswers.push_back(path("Mail/a.eml"));  // a file, not a folder
  const EmailRunResult result = app::convertListedFiles(window_);
  EXPECT_EQ(result.outcome, Outcome::StoreFailed);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].title, "Kestrolin Mailferry");
  EXPECT_EQ(dialogs_.messages[0].icon, sources::MessageIcon::Exclamation);
  EXPECT_THAT(dialogs_.messages[0].text, HasSubstr("The PST file could not be created."));
  EXPECT_THAT(dialogs_.messages[0].text, Not(HasSubstr("Outlook")));
  EXPECT_THAT(dialogs_.messages[0].text, HasSubstr(result.tally.storeError));
  EXPECT_FALSE(result.tally.storeError.empty());
  EXPECT_TRUE(window_.convertEnabled());
}

TEST_F(EmailRunTest, SecondClickDuringARunStartsNothing) {
  message("Mail/a.eml", "a");
  search();
  std::vector<Outcome> nested;
  window_.onYield = [&] {
    if (nested.empty()) {
      dialogs_.browseAnswers.push_back(output_.root());
      nested.push_back(app::convertListedFiles(window_).outcome);
    }
  };
  const EmailRunResult result = run();
  window_.onYield = nullptr;
  EXPECT_THAT(nested, ElementsAre(Outcome::AlreadyRunning));
  EXPECT_EQ(result.outcome, Outcome::Finished);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(output_.root()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(SingleRunTest, ASecondRunOfTheSameWindowIsRefusedUntilTheFirstEnds) {
  MemoryWindow window(sources::WindowKind::Email), other(sources::WindowKind::Contacts);
  {
    app::SingleRun first(window);
    EXPECT_TRUE(first.entered());
    app::SingleRun second(window);
    EXPECT_FALSE(second.entered());
    app::SingleRun elsewhere(other);
    EXPECT_TRUE(elsewhere.entered());
  }
  app::SingleRun again(window);
  EXPECT_TRUE(again.entered());
}

}  // namespace
}  // namespace mailferry::email::testing
