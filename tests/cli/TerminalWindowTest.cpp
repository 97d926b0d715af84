// The terminal window of mailferry-convert: on a terminal (a pseudo-terminal here) one line
// updated in place; otherwise one line per phase and per tenth of the progress; quiet, nothing.
// Message boxes with plain line ends.
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/ProgressLine.h"
#include "cli/TerminalWindow.h"
#include "sources/SourceList.h"

namespace mailferry::cli {
namespace {

using ::testing::HasSubstr;

std::string contentOf(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  char buffer[256];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file)) text.append(buffer, n);
  return text;
}

TEST(TerminalWindowTest, PlainLinesForPhasesAndTenthsOfTheProgress) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), std::fclose);
  {
    TerminalWindow window(sources::WindowKind::Email, file.get());
    window.setCurrentCaption("Reading File System Folders...   (a/b)");
    window.setCurrentCaption("Reading File System Folders...   (a/c)");
    window.setCurrentCaption("Preparing Email Folders... (a/b)");
    for (int r = 1; r <= 40; ++r) {
      window.setCurrentCaption("Converting Messages... from (a/b)");
      window.setProgressValue(static_cast<float>(r / 40.0 * 100.0));
    }
    window.showMessage("Outlook Session Creation Error !\r\nsecond line", "Outlook Error");
  }
  const std::string text = contentOf(file.get());
  EXPECT_EQ(text,
            "Reading File System Folders...\n"
            "Preparing Email Folders...\n"
            "Converting Messages... from\n"
            "    0%\n   10%\n   20%\n   30%\n   40%\n   50%\n   60%\n   70%\n   80%\n   90%\n"
            "  100%\n"
            "Outlook Error: Outlook Session Creation Error !\nsecond line\n");
}

TEST(TerminalWindowTest, KeepsTheSourceListLikeTheWindowGrid) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), std::fclose);
  TerminalWindow window(sources::WindowKind::Email, file.get());
  EXPECT_TRUE(window.listed().empty());
  sources::AddFileToList(window, "/m/a.eml");
  sources::AddFileToList(window, "/m/b.eml");
  EXPECT_EQ(window.listed(), (std::vector<std::string>{"/m/a.eml", "/m/b.eml"}));
  EXPECT_EQ(window.countCaption(), "2 Email Messages");
}

TEST(TerminalWindowTest, OneLineUpdatedInPlaceOnATerminal) {
  int controller = -1, terminal = -1;
  ASSERT_EQ(openpty(&controller, &terminal, nullptr, nullptr, nullptr), 0);
  termios raw{};
  tcgetattr(terminal, &raw);
  cfmakeraw(&raw);  // no CR added before each LF
  tcsetattr(terminal, TCSANOW, &raw);
  fcntl(controller, F_SETFL, O_NONBLOCK);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(fdopen(terminal, "w"), std::fclose);
  auto now = std::chrono::steady_clock::time_point{};
  {
    // Each file takes a quarter of a second on the fake clock: 4 files a second.
    TerminalWindow window(sources::WindowKind::Email, file.get(), false, [&now] { return now; });
    for (int r = 0; r < 40; ++r) sources::AddFileToList(window, "/m/" + std::to_string(r));
    window.setCurrentCaption("Reading File System Folders...   (m)");
    for (int r = 1; r <= 40; ++r) {
      now += std::chrono::milliseconds(250);
      window.setCurrentCaption("Converting Messages... from (m)");
      window.setProgressValue(static_cast<float>(r / 40.0 * 100.0));
    }
    window.showMessage("40 messages converted, 0 failed.", "Kestrolin Mailferry");
  }
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(controller, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(controller);
  const std::string update = "\r\033[K";
  // The first count comes with the caption of the new phase; its value, at the same moment,
  // waits for the next redraw.
  EXPECT_THAT(text, ::testing::StartsWith(update + "Reading File System Folders...   (m)" + update +
                                          "0/40 messages    0.0%  --/s  --:-- left" + update +
                                          "2/40 messages    5.0%  --/s  --:-- left"));
  EXPECT_THAT(text, HasSubstr(update + "20/40 messages   50.0%  4.0/s  0:05 left" + update));
  EXPECT_THAT(text, ::testing::EndsWith(update + "40/40 messages  100.0%  4.0/s  done\n" +
                                        "Kestrolin Mailferry: 40 messages converted, 0 failed.\n"));
}

TEST(TerminalWindowTest, QuietShowsNeitherProgressNorMessages) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), std::fclose);
  {
    TerminalWindow window(sources::WindowKind::Contacts, file.get(), true);
    window.setCurrentCaption("Converting Contacts... from (a)");
    window.setProgressValue(100);
    window.showMessage("1 contact converted, 0 failed.", "Kestrolin Mailferry");
  }
  EXPECT_EQ(contentOf(file.get()), "");
}

TEST(TerminalWindowTest, ProgressLineFigures) {
  using std::chrono::duration;
  EXPECT_EQ(progressLine(0, 7, "contacts", std::nullopt), "0/7 contacts    0.0%  --/s  --:-- left");
  EXPECT_EQ(progressLine(1000, 100000, "messages", 250.0),
            "1000/100000 messages    1.0%  250/s  6:36 left");
  EXPECT_EQ(progressLine(1, 20000, "messages", 2.5),
            "1/20000 messages    0.0%  2.5/s  2:13:20 left");
  EXPECT_EQ(progressLine(3, 3, "messages", std::nullopt), "3/3 messages  100.0%  done");
}

}  // namespace
}  // namespace mailferry::cli
