// The terminal window of mailferry-convert when its output is no terminal: one line per phase
// and per tenth of the progress, message boxes with plain line ends.
#include <cstdio>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace mailferry::cli
