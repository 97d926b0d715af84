// mailferry-convert run as a subprocess: exit status, the PST path as the last line of
// standard output, the output folder, bad arguments, no matches, two runs started together.
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "MailferryVersion.h"
#include "tests/email/RunFixture.h"
#include "tests/sources/TempTree.h"
#include "tests/support/ReaderOracles.h"

namespace mailferry::cli {
namespace {

using sources::testing::TempTree;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
namespace oracle = mailferry::testing;
namespace fs = std::filesystem;

struct ProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
  std::string lastLine() const {
    std::istringstream lines(out);
    std::string line, last;
    while (std::getline(lines, line)) last = line;
    return last;
  }
};

std::string slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What a program wrote, as text: Windows programs end their lines with "\r\n".
std::string programText(const fs::path& file) {
  std::string text = slurp(file);
  std::erase(text, '\r');
  return text;
}

#ifdef _WIN32
// The program started without a shell, its output and errors going to files and its input
// from NUL: Wine's cmd.exe takes neither a quoted redirection target nor 2> inside a group.
class ChildProcess {
 public:
  ChildProcess(const fs::path& program, const std::string& arguments, const fs::path& out,
               const fs::path& err) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    auto open = [&](const wchar_t* path, DWORD access, DWORD creation) {
      return CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, creation,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = open(L"NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = open(out.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = open(err.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    std::wstring line = L"\"" + program.wstring() + L"\" " + fs::path(arguments).wstring();
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &info)) {
      process_ = info.hProcess;
      CloseHandle(info.hThread);
    }
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) CloseHandle(h);
  }
  ~ChildProcess() {
    if (process_) CloseHandle(process_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit status, or -1 when the program could not be started.
  int wait() const {
    DWORD code = 0;
    if (!process_ || WaitForSingleObject(process_, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_, &code))
      return -1;
    return static_cast<int>(code);
  }

 private:
  HANDLE process_ = nullptr;
};
#endif

class ConvertProgramTest : public ::testing::Test {
 protected:
  // `as` runs the program under another user ("setpriv ...") when not empty.
  ProgramRun convert(const std::string& arguments, const std::string& as = "") {
    const fs::path out = fs::path(scratch_.root()) / "stdout";
    const fs::path err = fs::path(scratch_.root()) / "stderr";
    ProgramRun run;
#ifdef _WIN32
    (void)as;
    run.exitCode = ChildProcess(program(), arguments, out, err).wait();
#else
    // Grouped, so that the helper's own redirection of stderr does not override ours.
    run.exitCode = oracle::runCommand("{ " + as + " " + oracle::shellQuote(program().string()) +
                                      " " + arguments + " >" + oracle::shellQuote(out.string()) +
                                      " 2>" + oracle::shellQuote(err.string()) + " </dev/null; }")
                       .exitCode;
#endif
    run.out = programText(out);
    run.err = programText(err);
    return run;
  }
  // mailferry-convert of the build under test.
  static fs::path program() {
    const fs::path bin = oracle::environmentOr("MAILFERRY_BIN_DIR", "build/bin");
#ifdef _WIN32
    return fs::absolute(bin / "mailferry-convert.exe").make_preferred();
#else
    return bin / "mailferry-convert";
#endif
  }
  std::string emails(const std::string& output) {
    return "emails " + oracle::shellQuote(sources_.root()) + " " + oracle::shellQuote(output);
  }
  void message(const std::string& relative, const std::string& subject) {
    sources_.file(relative, email::testing::messageText(subject));
  }
  static std::vector<fs::path> pstFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    if (!fs::is_directory(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() == ".pst") files.push_back(entry.path());
    }
    return files;
  }

  TempTree sources_;
  TempTree output_;
  TempTree scratch_;
};

TEST_F(ConvertProgramTest, ConvertsEveryFileIntoANewOutputFolderAndPrintsThePstLast) {
  message("Mail/Inbox/a.eml", "a");
  message("Mail/Sent/b.emlx.eml", "b");
  sources_.file("Mail/notes.txt", "not a message");
  const std::string target = output_.path("new/deeper");
  const ProgramRun run = convert(emails(target));

  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_THAT(run.err, HasSubstr("2 Email Messages Found."));
  EXPECT_THAT(run.err, HasSubstr("2 messages converted, 0 failed."));
  const std::string pst = run.lastLine();
  // std::regex: gtest's own expressions on Windows know neither [] nor ().
  EXPECT_TRUE(std::regex_match(
      pst, std::regex(R"(.*[/\\]new[/\\]deeper[/\\]Kestrolin[0-9.]+ [0-9.]+( \([0-9]+\))?\.pst)")))
      << pst;
  ASSERT_TRUE(fs::is_regular_file(pst)) << run.out;
  const auto check = oracle::pstcheck(pst);
  EXPECT_EQ(check.exitCode, 0) << check.output;
  const std::string inbox = sources_.path("Mail/Inbox").substr(1);
  const auto readers = oracle::compareReaders(
      pst, R"({"folders": [{"path": ")" + inbox +
               R"(", "itemCount": 1, "items": [{"kind": "mail", "subject": "a"}]}]})");
  EXPECT_EQ(readers.exitCode, 0) << readers.output;
}

TEST_F(ConvertProgramTest, SomeFailedFilesGiveExitOneAndAreEachNamed) {
  message("Mail/good.eml", "good");
  sources_.file("Mail/empty1.eml", "");
  sources_.file("Mail/empty2.eml", "");
  const ProgramRun run = convert(emails(output_.root()));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_THAT(run.err, HasSubstr("not converted: " + sources_.path("Mail/empty1.eml") + ": "));
  EXPECT_THAT(run.err, HasSubstr("not converted: " + sources_.path("Mail/empty2.eml") + ": "));
  EXPECT_TRUE(fs::is_regular_file(run.lastLine()));
}

TEST_F(ConvertProgramTest, QuietPrintsOnlyThePathAndTheErrors) {
  message("Mail/good.eml", "good");
  sources_.file("Mail/empty.eml", "");
  const ProgramRun run = convert("--quiet " + emails(output_.root()));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  // One line: the file and the reason.
  const std::string named = "not converted: " + sources_.path("Mail/empty.eml") + ": ";
  EXPECT_THAT(run.err, StartsWith(named));
  EXPECT_GT(run.err.size(), named.size() + 1) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  EXPECT_EQ(run.out, run.lastLine() + "\n");
  EXPECT_TRUE(fs::is_regular_file(run.lastLine()));

  sources_.file("Notes/notes.txt", "no message");
  const ProgramRun none = convert("emails " + oracle::shellQuote(sources_.path("Notes")) + " " +
                                  oracle::shellQuote(output_.path("never")) + " -q");
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err,
            "mailferry-convert: no message file found in " + sources_.path("Notes") + "\n");
}

TEST_F(ConvertProgramTest, NoMatchingFileGivesExitOneAndMakesNoStore) {
  sources_.file("Mail/notes.txt", "x");
  const std::string target = output_.path("never");
  const ProgramRun run = convert(emails(target));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_THAT(run.err, HasSubstr("0 Email Messages Found."));
  EXPECT_TRUE(run.out.empty());
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(ConvertProgramTest, OutputPathThatIsAFileIsAnErrorAndStaysAsItWas) {
  message("Mail/a.eml", "a");
  output_.file("taken", "keep me");
  const ProgramRun run = convert(emails(output_.path("taken")));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_THAT(run.err, HasSubstr("is no folder"));
  EXPECT_EQ(slurp(output_.path("taken")), "keep me");
  EXPECT_TRUE(pstFiles(output_.root()).empty());
}

TEST_F(ConvertProgramTest, StoreThatCannotBeMadeGivesExitTwoAndLeavesNothing) {
  message("Mail/a.eml", "a");
#ifndef _WIN32
  // A folder nobody can create files in, also when the tests run as root (Wine has none).
  const ProgramRun run = convert(emails("/proc"));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_THAT(run.err, HasSubstr("/proc/Kestrolin"));
  EXPECT_TRUE(run.out.empty());
  EXPECT_TRUE(pstFiles("/proc").empty());
#endif
  // An output folder that cannot be created: a path below a file.
  output_.file("plainfile", "x");
  const ProgramRun below = convert(emails(output_.path("plainfile/sub")));
  EXPECT_EQ(below.exitCode, 2);
  EXPECT_THAT(below.err, HasSubstr("plainfile"));
  EXPECT_EQ(slurp(output_.path("plainfile")), "x");
}

TEST_F(ConvertProgramTest, UsageErrorsAndHelp) {
  EXPECT_EQ(convert("").exitCode, 2);
  EXPECT_EQ(convert("emails only-one").exitCode, 2);
  const ProgramRun unknown = convert("letters a b");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_THAT(unknown.err, HasSubstr("Usage: mailferry-convert emails SOURCE_DIR OUTPUT_DIR"));
  for (const char* interval :
       {"--commit-interval=", "--commit-interval=-1", "--commit-interval=3s"})
    EXPECT_THAT(convert(std::string(interval) + " emails a b").err,
                HasSubstr("--commit-interval takes a number of seconds"));
  const ProgramRun missing = convert("emails " + oracle::shellQuote(sources_.path("none")) + " " +
                                     oracle::shellQuote(output_.root()));
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_THAT(missing.err, HasSubstr("does not exist"));
  const ProgramRun help = convert("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_THAT(help.out, HasSubstr("mailferry-convert contacts SOURCE_DIR OUTPUT_DIR"));
  EXPECT_THAT(help.out, HasSubstr("Exit status"));
  EXPECT_THAT(help.out, HasSubstr("--quiet"));

  const ProgramRun version = convert("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, std::string("mailferry-convert ") + kVersion + "\n");
}

TEST_F(ConvertProgramTest, ContactsRunTheSameWay) {
  const std::string samples =
      oracle::environmentOr("MAILFERRY_SOURCE_DIR", ".") + "/samples/contacts";
  fs::create_directories(sources_.path("People"));
  fs::copy_file(samples + "/Minimal.contact", sources_.path("People/Minimal.contact"));
  sources_.file("People/broken.contact", "<not xml");
  const ProgramRun run = convert("contacts " + oracle::shellQuote(sources_.root()) + " " +
                                 oracle::shellQuote(output_.root()));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_THAT(run.err, HasSubstr("2 Contacts Found."));
  EXPECT_THAT(run.err, HasSubstr("not converted: " + sources_.path("People/broken.contact")));
  const std::string pst = run.lastLine();
  EXPECT_THAT(pst, HasSubstr(sources::kPathSeparator + std::string("WindowsContacts")));
  ASSERT_TRUE(fs::is_regular_file(pst)) << run.out << run.err;
  EXPECT_EQ(oracle::pstcheck(pst).exitCode, 0);
  const auto readers =
      oracle::compareReaders(pst, R"({"folders": [{"path": "Contacts", "itemCount": 1}]})");
  EXPECT_EQ(readers.exitCode, 0) << readers.output;
}

TEST_F(ConvertProgramTest, UnreadableFolderIsNamedSkippedAndCountedInBothRuns) {
#ifdef _WIN32
  GTEST_SKIP() << "closes a folder with chmod and searches it as another user: POSIX only";
#else
  message("Mail/A/a.eml", "a");
  message("Mail/R/r.eml", "r");
  message("Mail/Z/z.eml", "z");
  const std::string samples =
      oracle::environmentOr("MAILFERRY_SOURCE_DIR", ".") + "/samples/contacts";
  fs::copy_file(samples + "/Minimal.contact", sources_.path("Mail/Z/Minimal.contact"));
  fs::create_directory_symlink("..", sources_.path("Mail/Z/up"));
  fs::permissions(sources_.path("Mail/R"), fs::perms::none);
  fs::permissions(output_.root(), fs::perms::all);
  // Root reads every folder: search as nobody then.
  const std::string as = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
  if (oracle::runCommand(as + " true").exitCode != 0) GTEST_SKIP() << "cannot drop privileges";
  if (oracle::runCommand(as + " test -x " + oracle::shellQuote(sources_.path("Mail/R"))).exitCode ==
      0) {
    GTEST_SKIP() << "the closed folder stays readable";
  }
  const std::string notSearched =
      "not searched: " + sources_.path("Mail/R") + ": Permission denied\n";
  const std::string notFollowed = "not followed: " + sources_.path("Mail/Z/up") + ": a link to ";

  const ProgramRun mail = convert(emails(output_.root()), as);
  EXPECT_EQ(mail.exitCode, 1) << mail.err;
  EXPECT_THAT(mail.err, HasSubstr("2 Email Messages Found.\n\n1 folder could not be searched:"));
  EXPECT_THAT(mail.err,
              HasSubstr("2 messages converted, 0 failed.\n1 folder could not be searched:"));
  EXPECT_THAT(mail.err, HasSubstr(notSearched));
  EXPECT_THAT(mail.err, HasSubstr(notFollowed));
  EXPECT_TRUE(fs::is_regular_file(mail.lastLine())) << mail.out;

  const ProgramRun people = convert(
      "contacts " + oracle::shellQuote(sources_.root()) + " " + oracle::shellQuote(output_.root()),
      as);
  EXPECT_EQ(people.exitCode, 1) << people.err;
  EXPECT_THAT(people.err,
              HasSubstr("1 contact converted, 0 failed.\n1 folder could not be searched:"));
  EXPECT_THAT(people.err, HasSubstr(notSearched));
  EXPECT_TRUE(fs::is_regular_file(people.lastLine())) << people.out;
#endif
}

// The final rename fails for good (an append-only folder lets files be made but not renamed,
// even by root): after its retries the run keeps the complete file under its working name,
// prints that path, names the cause and exits 1.
TEST_F(ConvertProgramTest, FinishedFileThatCannotBeRenamedIsKeptUnderItsWorkingName) {
#ifdef _WIN32
  GTEST_SKIP() << "makes a folder append-only with chattr: Linux only";
#else
  message("Mail/a.eml", "a");
  const std::string target = output_.path("append-only");
  fs::create_directories(target);
  if (oracle::runCommand("chattr +a " + oracle::shellQuote(target)).exitCode != 0) {
    GTEST_SKIP() << "the file system or the user cannot make a folder append-only (chattr +a)";
  }
  struct AppendOnly {
    std::string folder;
    ~AppendOnly() { oracle::runCommand("chattr -a " + oracle::shellQuote(folder)); }
  } const appendOnly{target};

  const ProgramRun run = convert(emails(target));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  const std::string kept = run.lastLine();
  EXPECT_TRUE(std::regex_match(
      kept, std::regex(R"(.*/append-only/Kestrolin[0-9.]+ [0-9.]+ \(incomplete\)\.pst)")))
      << kept;
  const std::string finalName = kept.substr(0, kept.size() - 17) + ".pst";
  EXPECT_THAT(run.err, HasSubstr("1 message converted, 0 failed.\nThe new store is complete, but "
                                 "its file could not be renamed to " +
                                 finalName + ": operation not permitted.\nSaved in: " + kept));
  EXPECT_THAT(run.err, HasSubstr("not renamed: " + finalName + ": operation not permitted\n"));
  EXPECT_EQ(pstFiles(target), std::vector<fs::path>{kept});
  const auto check = oracle::pstcheck(kept);
  EXPECT_EQ(check.exitCode, 0) << check.output;
  EXPECT_THAT(check.output, HasSubstr(", 1 message")) << check.output;
#endif
}

// Two programs started together, their clocks set to the same second: each creates its own
// file (the second one takes the next " (n)" name) and neither run's clean-up touches the
// other's. Repeated, because the two rarely meet at the same moment.
TEST_F(ConvertProgramTest, TwoRunsStartedTogetherMakeTwoValidFiles) {
  for (const char* name : {"a", "b", "c"}) message(std::string("Mail/") + name + ".eml", name);
  const fs::path root = scratch_.root();
  // Starts the two runs at once and waits for both: run<n>.out gets the output of each,
  // run<n>.exit its exit status.
  auto runTwo = [&](const std::string& output) {
#ifdef _WIN32
    SetEnvironmentVariableW(L"MAILFERRY_CLOCK_START", L"1800000000");
    const ChildProcess one(program(), emails(output), root / "run1.out", root / "run1.err");
    const ChildProcess two(program(), emails(output), root / "run2.out", root / "run2.err");
    SetEnvironmentVariableW(L"MAILFERRY_CLOCK_START", nullptr);
    std::ofstream(root / "run1.exit") << one.wait() << "\n";
    std::ofstream(root / "run2.exit") << two.wait() << "\n";
#else
    auto inBackground = [&](int run) {
      const std::string prefix = (root / ("run" + std::to_string(run))).string();
      return "{ MAILFERRY_CLOCK_START=1800000000 " + oracle::shellQuote(program().string()) + " " +
             emails(output) + " >" + oracle::shellQuote(prefix + ".out") +
             " 2>/dev/null; echo $? >" + oracle::shellQuote(prefix + ".exit") + "; } &";
    };
    oracle::runCommand(inBackground(1) + " " + inBackground(2) + " wait");
#endif
  };
  for (int round = 0; round < 25; ++round) {
    const std::string output = output_.path("round" + std::to_string(round));
    fs::create_directories(output);
    runTwo(output);
    std::set<std::string> made;
    for (int run : {1, 2}) {
      const fs::path prefix = root / ("run" + std::to_string(run));
      ASSERT_EQ(programText(prefix.string() + ".exit"), "0\n") << "round " << round;
      std::string pst = programText(prefix.string() + ".out");
      pst.pop_back();
      made.insert(pst);
      const auto check = oracle::pstcheck(pst);
      EXPECT_EQ(check.exitCode, 0) << check.output;
      EXPECT_THAT(check.output, HasSubstr(", 3 messages")) << pst;
    }
    ASSERT_EQ(made.size(), 2u) << "round " << round;
    const std::string first = made.rbegin()->substr(0, made.rbegin()->size() - 4);
    EXPECT_EQ(*made.begin(), first + " (2).pst");  // the same second: the next name
    std::set<std::string> found;
    for (const fs::path& file : pstFiles(output)) found.insert(file.string());
    ASSERT_EQ(found, made);
  }
}

}  // namespace
}  // namespace mailferry::cli
