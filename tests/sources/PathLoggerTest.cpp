// The folder search: breadth-first order, the four keyed lists, Count, and its errors.
#ifndef _WIN32
#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sources/PathSeparator.h"
#include "sources/SourceList.h"
#include "sources/pathLogger.h"
#include "tests/sources/MemoryWindow.h"
#include "tests/sources/RecordingDialogs.h"
#include "tests/sources/TempTree.h"

namespace mailferry::sources {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::MemoryWindow;
using testing::RecordingDialogs;
using testing::TempTree;

template <typename List>
auto values(const List& list) {
  std::vector<std::decay_t<decltype(*list.begin())>> out;
  for (const auto& value : list) out.push_back(value);
  return out;
}

template <typename List>
std::vector<std::string> keys(const List& list) {
  std::vector<std::string> out;
  for (std::size_t i = 1; i <= list.count(); ++i) out.push_back(list.key(i));
  return out;
}

std::string withSeparator(const std::string& path) {
  return path + kPathSeparator;
}

TEST(PathLoggerTest, WalksLevelByLevelAndKeysEveryList) {
  TempTree tree;
  tree.file("A/x");
  tree.file("A/B/y");
  tree.file("A/B/D/w");
  tree.file("A/C/z");
  RecordingDialogs dialogs;
  int yields = 0;

  pathLogger logger([&yields] { ++yields; });
  logger.PathLogInit();
  logger.fullFileNamesOnly(false);
  logger.LogPath(tree.path("A"));

  EXPECT_THAT(values(*logger.pathNames()),
              ElementsAre(withSeparator(tree.path("A")), withSeparator(tree.path("A/B")),
                          withSeparator(tree.path("A/C")), withSeparator(tree.path("A/B/D"))));
  EXPECT_THAT(keys(*logger.pathNames()), ElementsAre("K0", "K2", "K3", "K4"));
  EXPECT_THAT(
      values(*logger.fullFileNames()),
      ElementsAre(tree.path("A/x"), tree.path("A/B/y"), tree.path("A/C/z"), tree.path("A/B/D/w")));
  EXPECT_THAT(values(*logger.fileNames()), ElementsAre("x", "y", "z", "w"));
  EXPECT_THAT(values(*logger.pathPointers()), ElementsAre(1, 2, 3, 4));
  for (const auto* list : {logger.fileNames().get(), logger.fullFileNames().get()}) {
    EXPECT_THAT(keys(*list), ElementsAre("K1", "K2", "K3", "K4"));
  }
  EXPECT_THAT(keys(*logger.pathPointers()), ElementsAre("K1", "K2", "K3", "K4"));
  // The folder at each file's pointer, followed by its name, is its full name.
  for (std::size_t n = 1; n <= 4; ++n) {
    const auto folder =
        logger.pathNames()->item(static_cast<std::size_t>(logger.pathPointers()->item(n)));
    EXPECT_EQ(folder + logger.fileNames()->item(n), logger.fullFileNames()->item(n));
  }
  EXPECT_EQ(logger.Count(), 5);
  EXPECT_EQ(yields, 3 + 4);  // after each queued subfolder and each recorded file
  EXPECT_THAT(dialogs.messages, IsEmpty());
}

TEST(PathLoggerTest, FullNamesOnlyModeFillsNoOtherFileList) {
  TempTree tree;
  tree.file("S/a.eml");
  tree.file("S/sub/b.eml");
  pathLogger logger;
  logger.PathLogInit();
  EXPECT_TRUE(logger.fullFileNamesOnly());
  logger.LogPath(tree.path("S"));
  EXPECT_THAT(values(*logger.fullFileNames()),
              ElementsAre(tree.path("S/a.eml"), tree.path("S/sub/b.eml")));
  EXPECT_TRUE(logger.fileNames()->empty());
  EXPECT_TRUE(logger.pathPointers()->empty());
  EXPECT_EQ(logger.Count(), 3);
}

TEST(PathLoggerTest, FreshObjectAndPathLogInit) {
  TempTree tree;
  tree.file("S/a");
  pathLogger logger;
  EXPECT_FALSE(logger.fullFileNamesOnly());
  EXPECT_EQ(logger.Count(), 0);
  EXPECT_TRUE(logger.pathNames()->empty());  // created empty on first access

  logger.PathLogInit();
  logger.LogPath(tree.path("S"));
  ASSERT_EQ(logger.fullFileNames()->count(), 1u);
  logger.fullFileNamesOnly(false);
  logger.PathLogInit();  // drops the lists and sets the mode again
  EXPECT_TRUE(logger.fullFileNamesOnly());
  EXPECT_TRUE(logger.fullFileNames()->empty());
  EXPECT_TRUE(logger.pathNames()->empty());
}

TEST(PathLoggerTest, TakenListOutlivesTerminateAndTheObject) {
  TempTree tree;
  tree.file("S/a");
  tree.file("S/b");
  std::shared_ptr<pathLogger::StringList> taken;
  {
    pathLogger logger;
    logger.PathLogInit();
    logger.LogPath(tree.path("S"));
    taken = logger.fullFileNames();
    logger.Terminate();
    EXPECT_TRUE(logger.fullFileNames()->empty());  // the object's own hold is gone
  }
  EXPECT_THAT(values(*taken), ElementsAre(tree.path("S/a"), tree.path("S/b")));
}

TEST(PathLoggerTest, MissingStartFolderRecordsNothing) {
  TempTree tree;
  tree.file("file.eml");
  RecordingDialogs dialogs;
  for (const std::string& start : {tree.path("missing"), tree.path("file.eml"), std::string()}) {
    pathLogger logger;
    logger.PathLogInit();
    logger.LogPath(start);
    EXPECT_EQ(logger.Count(), 0) << start;
    EXPECT_TRUE(logger.pathNames()->empty()) << start;
    EXPECT_TRUE(logger.fullFileNames()->empty()) << start;
  }
  EXPECT_THAT(dialogs.messages, IsEmpty());
}

TEST(PathLoggerTest, EmptyFolderQueuesOnlyItself) {
  TempTree tree;
  tree.folder("E");
  pathLogger logger;
  logger.PathLogInit();
  logger.LogPath(tree.path("E"));
  EXPECT_THAT(values(*logger.pathNames()), ElementsAre(withSeparator(tree.path("E"))));
  EXPECT_TRUE(logger.fullFileNames()->empty());
  EXPECT_EQ(logger.Count(), 1);
}

TEST(PathLoggerTest, StartPathGetsExactlyOneSeparator) {
  TempTree tree;
  tree.file("S/sub/a");
  for (const std::string& start : {tree.path("S"), withSeparator(tree.path("S"))}) {
    pathLogger logger;
    logger.PathLogInit();
    logger.LogPath(start);
    EXPECT_THAT(values(*logger.pathNames()),
                ElementsAre(withSeparator(tree.path("S")), withSeparator(tree.path("S/sub"))))
        << start;
    EXPECT_THAT(values(*logger.fullFileNames()), ElementsAre(tree.path("S/sub/a"))) << start;
  }
}

TEST(PathLoggerTest, HiddenFilesAndFoldersAreRecorded) {
  TempTree tree;
  tree.file("S/.hidden.eml");
  tree.file("S/.store/m.eml");
  pathLogger logger;
  logger.PathLogInit();
  logger.LogPath(tree.path("S"));
  EXPECT_THAT(values(*logger.fullFileNames()),
              ElementsAre(tree.path("S/.hidden.eml"), tree.path("S/.store/m.eml")));
}

std::vector<std::string> skippedLines(const std::vector<SkippedFolder>& skipped) {
  std::vector<std::string> lines;
  for (const SkippedFolder& folder : skipped) {
    const bool note = folder.kind == SkippedFolder::Kind::LinkNotFollowed;
    lines.push_back((note ? "note " : "unreadable ") + folder.path + ": " + folder.reason);
  }
  return lines;
}

TEST(PathLoggerTest, LinksAreFollowedOnceAndEveryLoopIsNotedAndSkipped) {
  TempTree tree;
  tree.file("S/a.eml");
  tree.file("S/B/b.eml");
  tree.file("S/Z/z.eml");
  tree.file("Other/o.eml");
  namespace fs = std::filesystem;
  std::error_code made;
  fs::create_directory_symlink(tree.path("S"), tree.path("S/again"), made);
  // Wine, for one, has neither symbolic links nor junctions.
  if (made) GTEST_SKIP() << "this system makes no links: " << made.message();
  fs::create_directory_symlink(tree.path("Other"), tree.path("S/other"));
  fs::create_symlink(tree.path("Other/o.eml"), tree.path("S/link.eml"));
  fs::create_symlink(tree.path("nowhere"), tree.path("S/dangling.eml"));
  fs::create_directory_symlink(".", tree.path("S/B/loopy"));  // its own folder
  fs::create_directory_symlink("..", tree.path("S/B/up"));    // an ancestor
  fs::create_symlink("self", tree.path("S/B/self"));          // a link to itself
  pathLogger logger;
  logger.PathLogInit();
  logger.LogPath(tree.path("S"));

  // The search goes on past every loop: the files of later folders are found.
  EXPECT_THAT(values(*logger.fullFileNames()),
              ElementsAre(tree.path("S/a.eml"), tree.path("S/link.eml"), tree.path("S/B/b.eml"),
                          tree.path("S/Z/z.eml"), tree.path("S/other/o.eml")));
  const std::string s = fs::canonical(tree.path("S")).string();
  const std::string b = fs::canonical(tree.path("S/B")).string();
  const std::string covered = ", which the search covers already";
  EXPECT_THAT(skippedLines(logger.skippedFolders()),
              ElementsAre("note " + tree.path("S/again") + ": a link to " + s + covered,
                          "note " + tree.path("S/B/self") + ": the link leads round in a loop",
                          "note " + tree.path("S/B/loopy") + ": a link to " + b + covered,
                          "note " + tree.path("S/B/up") + ": a link to " + s + covered));
  EXPECT_FALSE(logger.startFolderRefused());
}

// Runs work in a child process as a user that cannot open refused, and returns what it
// wrote; "skip: <why>" when the folder stays readable.
std::string asUnprivilegedUser(const std::string& refused,
                               const std::function<std::string()>& work) {
#ifdef _WIN32
  (void)refused;
  (void)work;
  return "skip: needs fork and a user without access, POSIX only";
#else
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    std::string text;
    if (geteuid() == 0) {
      constexpr uid_t kNobody = 65534;
      if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) {
        text = "skip: cannot drop privileges\n";
      }
    }
    if (DIR* dir = opendir(refused.c_str())) {
      closedir(dir);
      text = "skip: the refused folder stays readable\n";
    }
    if (text.empty()) text = work();
    const ssize_t written = write(fds[1], text.data(), text.size());
    _exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string result;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) result.append(buffer, n);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return result;
#endif
}

// The folder command over start: what it listed and skipped, and the one message it showed.
std::string folderCommandOver(const std::string& start) {
  RecordingDialogs dialogs;
  dialogs.browseAnswers.push_back(start);
  MemoryWindow window(WindowKind::Email);
  CmdAddFolder_Click(window);
  std::ostringstream out;
  for (const auto& path : window.listed()) out << "listed " << path << '\n';
  for (const auto& line : skippedLines(window.skippedFolders().all())) out << line << '\n';
  out << "convert " << window.convertEnabled() << '\n';
  for (const auto& m : dialogs.messages) {
    out << "message " << static_cast<int>(m.icon) << ' ' << m.text << '\n';
  }
  return out.str();
}

TEST(PathLoggerTest, RefusedFolderIsNamedAndSkippedAndTheSearchGoesOn) {
  TempTree tree;
  tree.file("S/a.eml");
  tree.file("S/B/b.eml");
  tree.file("S/R/r.eml");
  tree.file("S/Z/z.eml");
  std::filesystem::permissions(tree.path("S/R"), std::filesystem::perms::none);
  const std::string result = asUnprivilegedUser(tree.path("S/R"), [&] {
    return folderCommandOver(tree.path("S")) + folderCommandOver(tree.path("S/R"));
  });
  if (result.starts_with("skip")) GTEST_SKIP() << result;

  const std::string refused = tree.path("S/R");
  const int warning = static_cast<int>(MessageIcon::Exclamation);
  std::ostringstream expected;
  expected << "listed " << tree.path("S/a.eml") << '\n'
           << "listed " << tree.path("S/B/b.eml") << '\n'
           << "listed " << tree.path("S/Z/z.eml") << '\n'
           << "unreadable " << refused << ": Permission denied\n"
           << "convert 1\n"
           << "message " << warning << " 3 Email Messages Found.\n\n"
           << "1 folder could not be searched:\n"
           << refused
           << ": Permission denied\n"
           // The refused folder chosen itself: nothing could be searched.
           << "unreadable " << refused << ": Permission denied\n"
           << "convert 0\n"
           << "message " << warning << " 0 Email Messages Found.\n\n"
           << "1 folder could not be searched:\n"
           << refused << ": Permission denied\n\n"
           << "Please Select Correct Store Folder.\n";
  EXPECT_EQ(result, expected.str());
}

}  // namespace
}  // namespace mailferry::sources
