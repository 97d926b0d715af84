// What the email run tests share: a window that records what the run shows, generated
// message files in a temporary tree, the run itself with its dialogs answered, and the new
// PST as pstcheck and the independent readers see it.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "app/WindowConversion.h"
#include "email/EmailRun.h"
#include "sources/PathSeparator.h"
#include "sources/SourceList.h"
#include "sources/SourcePathPieces.h"
#include "store/Clock.h"
#include "tests/sources/MemoryWindow.h"
#include "tests/sources/RecordingDialogs.h"
#include "tests/sources/TempTree.h"
#include "tests/support/ReaderOracles.h"

// Ends the test as skipped where the independent PST readers cannot run: they are Linux
// programs (libpff, Node), and scripts/test-windows reads the Windows build's PSTs with them.
#ifdef _WIN32
#define MAILFERRY_SKIP_WITHOUT_READERS() \
  GTEST_SKIP() << "the PST readers are Linux programs; scripts/test-windows runs them"
#else
#define MAILFERRY_SKIP_WITHOUT_READERS() static_cast<void>(0)
#endif

namespace mailferry::email::testing {

using sources::testing::MemoryWindow;
using sources::testing::RecordingDialogs;
using sources::testing::TempTree;

// The email window, recording every caption, progress value and Convert state it is given.
class RecordingWindow : public MemoryWindow {
 public:
  RecordingWindow() : MemoryWindow(sources::WindowKind::Email) {}
  void setCurrentCaption(const std::string& text) override {
    captions.push_back(text);
    MemoryWindow::setCurrentCaption(text);
  }
  void setProgressValue(float value) override {
    progress.push_back(value);
    MemoryWindow::setProgressValue(value);
  }
  void setConvertEnabled(bool enabled) override {
    convertStates.push_back(enabled);
    MemoryWindow::setConvertEnabled(enabled);
  }
  void yield() override {
    MemoryWindow::yield();
    if (onYield) onYield();
  }
  std::vector<std::string> captions;
  std::vector<float> progress;
  std::vector<bool> convertStates;
  std::function<void()> onYield;
};

// A small RFC 822 message; with an attachment when attachmentBytes is not empty.
inline std::string messageText(const std::string& subject, const std::string& attachment = {}) {
  std::string text =
      "From: Ann Example <ann@example.com>\r\n"
      "To: Bob Example <bob@example.com>\r\n"
      "Subject: " +
      subject +
      "\r\n"
      "Date: Mon, 07 Dec 2026 07:00:00 +0000\r\n"
      "Message-ID: <" +
      subject +
      "@example.com>\r\n"
      "MIME-Version: 1.0\r\n";
  if (attachment.empty()) {
    return text + "Content-Type: text/plain; charset=utf-8\r\n\r\nBody of " + subject + "\r\n";
  }
  return text +
         "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
         "--b1\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nBody of " +
         subject +
         "\r\n"
         "--b1\r\nContent-Type: application/octet-stream\r\n"
         "Content-Disposition: attachment; filename=\"data.bin\"\r\n"
         "Content-Transfer-Encoding: 7bit\r\n\r\n" +
         attachment + "\r\n--b1--\r\n";
}

// The folders below the top folder that every new store holds before anything is added.
inline const std::vector<std::string> kNewStoreFolders = {"Deleted Items", "Outbox", "Sent Items"};

class EmailRunTest : public ::testing::Test {
 protected:
  // A source tree "<root>/<relative>" whose folder text is the root below "/" plus relative.
  std::string path(const std::string& relative) const { return sources_.path(relative); }
  void message(const std::string& relative, const std::string& subject,
               const std::string& attachment = {}) {
    sources_.file(relative, messageText(subject, attachment));
  }
  // The folder command over the whole source tree (or a folder of it).
  void search(const std::string& relative = {}) {
    dialogs_.browseAnswers.push_back(path(relative));
    sources::CmdAddFolder_Click(window_);
    dialogs_.messages.clear();
  }
  EmailRunResult run() {
    window_.captions.clear();
    window_.progress.clear();
    window_.convertStates.clear();
    dialogs_.browseAnswers.push_back(output_.root());
    return app::convertListedFiles(window_);
  }
  // The folder text of a source folder: its path after the drive or the root.
  std::string folderText(const std::string& relative) const {
    return std::filesystem::path(path(relative)).relative_path().string();
  }

  // Every folder of the new store below its top folder, with its item count, as libpff sees it.
  static std::map<std::string, int> readerFolders(const std::string& pst) {
    const auto dump = mailferry::testing::runCommand(
        mailferry::testing::shellQuote(oracles() + "/dump-pypff") + " --counts " +
        mailferry::testing::shellQuote(pst) +
        " | /usr/bin/python3 -c 'import json,sys\n"
        "for f in json.load(sys.stdin)[\"folders\"]: print(f[\"path\"] + \"\\t\" + "
        "str(f[\"itemCount\"]))'");
    std::map<std::string, int> folders;
    std::istringstream lines(dump.output);
    for (std::string line; std::getline(lines, line);) {
      const auto tab = line.rfind('\t');
      if (tab == std::string::npos) {
        ADD_FAILURE() << "unexpected reader output: " << dump.output;
        break;
      }
      // A folder made twice would show up as two folders of the same path.
      const bool first =
          folders.emplace(line.substr(0, tab), std::stoi(line.substr(tab + 1))).second;
      EXPECT_TRUE(first) << "folder listed twice: " << line;
    }
    return folders;
  }

  // Every folder the given folder texts need: each and all its ancestors.
  // The store's own folders are there too: every new store has them.
  static std::set<std::string> withAncestors(const std::vector<std::string>& folders) {
    std::set<std::string> all(kNewStoreFolders.begin(), kNewStoreFolders.end());
    for (const std::string& folder : folders) {
      for (auto at = folder.find(sources::kPathSeparator); at != std::string::npos;
           at = folder.find(sources::kPathSeparator, at + 1)) {
        all.insert(folder.substr(0, at));
      }
      all.insert(folder);
    }
    return all;
  }

  static std::set<std::string> keysOf(const std::map<std::string, int>& folders) {
    std::set<std::string> keys;
    for (const auto& [name, count] : folders) keys.insert(name);
    return keys;
  }

#ifdef _WIN32
  // A file directly in the root of the system drive, and the folder such files go to.
  static std::string inRoot(const std::string& name) {
    return "C:\\" + name;
  }
  static constexpr std::string_view kRootFolder = "C";
#else
  static std::string inRoot(const std::string& name) {
    return "/" + name;
  }
  static constexpr std::string_view kRootFolder = sources::kPosixRootFolderName;
#endif

  static std::string oracles() {
    return mailferry::testing::environmentOr("MAILFERRY_ORACLES", "tests/oracles");
  }
  static std::string testsDir() {
    return mailferry::testing::environmentOr("MAILFERRY_SOURCE_DIR", ".") + "/tests/email";
  }

  static void expectValidStore(const std::string& pst) {
    const auto check = mailferry::testing::pstcheck(pst);
    EXPECT_EQ(check.exitCode, 0) << check.output;
  }

  TempTree sources_;
  TempTree output_;
  RecordingDialogs dialogs_;
  // 7 December 2026, 07:30:12 local time, for every reading of the clock.
  store::ScopedClock clock_{[] {
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 7;
    when.tm_hour = 7;
    when.tm_min = 30;
    when.tm_sec = 12;
    when.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&when));
  }};
  RecordingWindow window_;
};

}  // namespace mailferry::email::testing
