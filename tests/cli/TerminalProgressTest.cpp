// A run's progress on standard error: on a terminal (a pseudo-terminal here) one line updated
// in place; otherwise one line per step and per tenth of the conversion; nothing when quiet.
#ifndef _WIN32
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/ProgressLine.h"
#include "cli/TerminalProgress.h"
#include "tests/cli/FileText.h"

namespace mailferry::cli {
namespace {

using sources::RunStep;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// An email run of `files` files as the run reports it, the clock a quarter second on per file.
void reportRun(TerminalProgress& progress, std::size_t files,
               std::chrono::steady_clock::time_point* now = nullptr) {
  progress.started("/out/x.pst", files);
  progress.stepAt(RunStep::ReadingFolders, "a/b", 0);
  progress.stepAt(RunStep::ReadingFolders, "a/c", 1);
  progress.stepAt(RunStep::PreparingFolders, "a/b", -1);
  for (std::size_t i = 0; i < files; ++i) {
    if (now) *now += std::chrono::milliseconds(250);
    progress.fileStarted(i);
    const sources::FileReport file{i, "/a/b/" + std::to_string(i) + ".eml", "a/b", "x"};
    if (i == 3) {
      progress.fileFailed(file, "unreadable");
    } else {
      progress.fileConverted(file);
    }
  }
  progress.finished();
}

TEST(TerminalProgressTest, PlainLinesForStepsAndTenthsOfTheConversion) {
  File file(std::tmpfile(), std::fclose);
  {
    TerminalProgress progress(sources::WindowKind::Email, file.get());
    reportRun(progress, 40);
  }
  EXPECT_EQ(testing::contentOf(file.get()),
            "Reading File System Folders...\n"
            "Preparing Email Folders...\n"
            "Converting Messages... from\n"
            "    0%\n   10%\n   20%\n   30%\n   40%\n   50%\n   60%\n   70%\n   80%\n   90%\n"
            "  100%\n");
}

TEST(TerminalProgressTest, OneLineUpdatedInPlaceOnATerminal) {
#ifdef _WIN32
  GTEST_SKIP() << "a pseudo-terminal (openpty) is POSIX; the Windows console is not a file";
#else
  int controller = -1, terminal = -1;
  ASSERT_EQ(openpty(&controller, &terminal, nullptr, nullptr, nullptr), 0);
  termios raw{};
  tcgetattr(terminal, &raw);
  cfmakeraw(&raw);  // no CR added before each LF
  tcsetattr(terminal, TCSANOW, &raw);
  fcntl(controller, F_SETFL, O_NONBLOCK);
  File file(fdopen(terminal, "w"), std::fclose);
  auto now = std::chrono::steady_clock::time_point{};
  {
    TerminalProgress progress(sources::WindowKind::Email, file.get(), false,
                              [&now] { return now; });
    reportRun(progress, 40, &now);  // 4 files a second
    std::fputs("summary\n", file.get());
  }
  std::fflush(file.get());
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(controller, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(controller);
  const std::string update = "\r\033[K";
  // The step changes show at once; within a step the line waits a tenth of a second.
  EXPECT_THAT(text, StartsWith(update + "Reading File System Folders...   (a/b)" + update +
                               "Preparing Email Folders... (a/b)" + update +
                               "1/40 messages    2.5%  --/s  --:-- left" + update +
                               "2/40 messages    5.0%  --/s  --:-- left" + update +
                               "3/40 messages    7.5%  4.0/s  0:10 left"));
  EXPECT_THAT(text, HasSubstr(update + "20/40 messages   50.0%  4.0/s  0:05 left" + update));
  EXPECT_THAT(text, EndsWith(update + "40/40 messages  100.0%  4.0/s  done\nsummary\n"));
#endif
}

TEST(TerminalProgressTest, QuietShowsNothing) {
  File file(std::tmpfile(), std::fclose);
  {
    TerminalProgress progress(sources::WindowKind::Email, file.get(), true);
    reportRun(progress, 5);
  }
  EXPECT_EQ(testing::contentOf(file.get()), "");
}

TEST(TerminalProgressTest, ProgressLineFigures) {
  EXPECT_EQ(progressLine(0, 7, "contacts", std::nullopt), "0/7 contacts    0.0%  --/s  --:-- left");
  EXPECT_EQ(progressLine(1000, 100000, "messages", 250.0),
            "1000/100000 messages    1.0%  250/s  6:36 left");
  EXPECT_EQ(progressLine(1, 20000, "messages", 2.5),
            "1/20000 messages    0.0%  2.5/s  2:13:20 left");
  EXPECT_EQ(progressLine(3, 3, "messages", std::nullopt), "3/3 messages  100.0%  done");
}

}  // namespace
}  // namespace mailferry::cli
