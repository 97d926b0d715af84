// Shell and path services, and the path pieces the conversion runs cut from a listed path.
#include <stdexcept>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sources/PathSeparator.h"
#include "sources/SourcePathPieces.h"
#include "sources/registry.h"
#include "tests/sources/RecordingDialogs.h"
#include "tests/sources/TempTree.h"

namespace mailferry::sources {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::RecordingDialogs;
using testing::TempTree;

// Writes a path with the program's separator where the text has "\".
std::string native(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = kPathSeparator;
  }
  return path;
}

TEST(RegistryTest, GetParentPathCutsAfterTheLastSeparator) {
  EXPECT_EQ(registry::GetParentPath(native("C:\\a\\b.eml")), native("C:\\a\\"));
  EXPECT_EQ(registry::GetParentPath("b.eml"), "");
  EXPECT_EQ(registry::GetParentPath(native("C:\\a\\")), native("C:\\a\\"));
  EXPECT_EQ(registry::GetParentPath(""), "");
}

TEST(RegistryTest, PathExistsCountsFoldersOnlyWhenAsked) {
  TempTree tree;
  tree.file("d/f.eml");
  EXPECT_FALSE(registry::PathExists(tree.path("d"), false));
  EXPECT_TRUE(registry::PathExists(tree.path("d"), true));
  EXPECT_TRUE(registry::PathExists(tree.path("d/f.eml"), false));
  EXPECT_TRUE(registry::PathExists(tree.path("d/f.eml"), true));
  EXPECT_FALSE(registry::PathExists(tree.path("d/missing"), true));
  EXPECT_FALSE(registry::PathExists("", true));
}

TEST(RegistryTest, ShellOpenSkipsEmptyTextAndSwallowsFailures) {
  RecordingDialogs dialogs;
  registry::ShellOpen("");
  EXPECT_THAT(dialogs.opened, IsEmpty());
  registry::ShellOpen("https://example.com/");
  EXPECT_THAT(dialogs.opened, ElementsAre("https://example.com/"));

  Dialogs failing;
  failing.shellOpen = [](const std::string&) { throw std::runtime_error("no handler"); };
  ScopedDialogs scope(failing);
  EXPECT_NO_THROW(registry::ShellOpen("help.mht"));
}

TEST(RegistryTest, BrowseForFolderPassesTheRequestAndTheAnswer) {
  RecordingDialogs dialogs;
  dialogs.browseAnswers.push_back(native("D:\\Out"));
  int owner = 0;
  EXPECT_EQ(registry::BrowseForFolder(&owner, native("C:\\Start\\"),
                                      "Please select a folder:", true, true),
            native("D:\\Out"));
  EXPECT_EQ(registry::BrowseForFolder(&owner, "", "Please select a folder:", false, false), "");
  ASSERT_EQ(dialogs.browseRequests.size(), 2u);
  EXPECT_EQ(dialogs.browseRequests[0].owner, &owner);
  EXPECT_EQ(dialogs.browseRequests[0].startFolder, native("C:\\Start\\"));
  EXPECT_TRUE(dialogs.browseRequests[0].includeFiles);
  EXPECT_TRUE(dialogs.browseRequests[0].newStyle);
  EXPECT_EQ(dialogs.browseRequests[1].startFolder, "");
}

TEST(RegistryTest, DefaultServicesAnswerWithoutADisplay) {
  EXPECT_EQ(registry::BrowseForFolder(nullptr, "", "Please select a folder:", false, false), "");
  EXPECT_NO_THROW(registry::ShellOpen("anything"));
}

#ifdef _WIN32
TEST(SourcePathPiecesTest, CutsDriveAndFolder) {
  const SourcePathPieces p = splitSourcePath("  C:\\Mail\\Inbox\\a.eml ");
  EXPECT_EQ(p.fullPath, "C:\\Mail\\Inbox\\a.eml");
  EXPECT_EQ(p.afterDrive, "\\Mail\\Inbox\\a.eml");
  EXPECT_EQ(p.folder, "Mail\\Inbox");
  EXPECT_EQ(splitSourcePath("C:\\a.eml").folder, std::nullopt);
  EXPECT_EQ(splitSourcePath("\\\\server\\share\\a.eml").afterDrive, std::nullopt);
}
#else
TEST(SourcePathPiecesTest, TheAbsolutePathPlaysThePartAfterTheDrive) {
  const SourcePathPieces p = splitSourcePath("  /Data/Contacts/Sample.contact ");
  EXPECT_EQ(p.fullPath, "/Data/Contacts/Sample.contact");
  EXPECT_EQ(p.afterDrive, "/Data/Contacts/Sample.contact");
  EXPECT_EQ(p.folder, "Data/Contacts");
  EXPECT_EQ(splitSourcePath("/home/ann/Mail: old/a.eml").folder, "home/ann/Mail: old");
}

TEST(SourcePathPiecesTest, RootAndRelativePathsHaveNoFolderText) {
  const SourcePathPieces root = splitSourcePath("/a.eml");
  EXPECT_EQ(root.afterDrive, "/a.eml");
  EXPECT_EQ(root.folder, std::nullopt);
  const SourcePathPieces relative = splitSourcePath("Mail/a.eml");
  EXPECT_EQ(relative.afterDrive, std::nullopt);
  EXPECT_EQ(relative.folder, std::nullopt);
}
#endif

}  // namespace
}  // namespace mailferry::sources
