// The terminal window of mailferry-convert: the source list kept like the window's grid, and
// message boxes with plain line ends (none when quiet).
#include <cstdio>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/TerminalWindow.h"
#include "sources/SourceList.h"
#include "tests/cli/FileText.h"

namespace mailferry::cli {
namespace {

TEST(TerminalWindowTest, MessageBoxesOnLinesOfTheirOwnAndNoneWhenQuiet) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), std::fclose);
  TerminalWindow window(sources::WindowKind::Email, file.get());
  window.showMessage("Outlook Session Creation Error !\r\nsecond line", "Outlook Error");
  TerminalWindow quiet(sources::WindowKind::Email, file.get(), true);
  quiet.showMessage("1 message converted, 0 failed.", "Kestrolin Mailferry");
  EXPECT_EQ(testing::contentOf(file.get()),
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
