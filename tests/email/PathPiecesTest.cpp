// The pieces the email run cuts from a listed path, for Windows texts and for this system's
// paths: drive roots, network shares and the root "/" each give a target folder.
#include <gtest/gtest.h>

#include "sources/SourcePathPieces.h"

namespace mailferry::sources {
namespace {

TEST(PathPiecesTest, WindowsDrivePathGivesThePathAfterTheDriveAndTheFolderText) {
  const SourcePathPieces p = splitSourcePath("  C:\\Mail\\Inbox\\a.eml ", PathStyle::Windows);
  EXPECT_EQ(p.fullPath, "C:\\Mail\\Inbox\\a.eml");
  EXPECT_EQ(p.afterDrive, "\\Mail\\Inbox\\a.eml");
  EXPECT_EQ(p.folder, "Mail\\Inbox");
  EXPECT_EQ(p.belowRoot, "\\Mail\\Inbox\\a.eml");
  EXPECT_EQ(p.targetFolder, "Mail\\Inbox");
}

TEST(PathPiecesTest, SameFolderOnTwoDrivesSharesOneTargetFolder) {
  EXPECT_EQ(splitSourcePath("D:\\Mail\\Inbox\\d.eml", PathStyle::Windows).targetFolder,
            splitSourcePath("C:\\Mail\\Inbox\\a.eml", PathStyle::Windows).targetFolder);
  EXPECT_EQ(
      splitSourcePath("C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows Live Mail\\Inbox\\x.eml",
                      PathStyle::Windows)
          .targetFolder,
      "Users\\Ann\\AppData\\Local\\Microsoft\\Windows Live Mail\\Inbox");
}

TEST(PathPiecesTest, FileInADriveRootGoesToAFolderNamedAfterTheDrive) {
  const SourcePathPieces p = splitSourcePath("C:\\a.eml", PathStyle::Windows);
  EXPECT_EQ(p.afterDrive, "\\a.eml");
  EXPECT_EQ(p.folder, std::nullopt);  // the plain folder text has nothing to offer
  EXPECT_EQ(p.belowRoot, "\\a.eml");
  EXPECT_EQ(p.targetFolder, "C");
}

TEST(PathPiecesTest, NetworkShareStandsWhereADriveWould) {
  const SourcePathPieces p =
      splitSourcePath("\\\\server\\mail\\Inbox\\Old\\a.eml", PathStyle::Windows);
  EXPECT_EQ(p.afterDrive, std::nullopt);
  EXPECT_EQ(p.belowRoot, "\\Inbox\\Old\\a.eml");
  EXPECT_EQ(p.targetFolder, "Inbox\\Old");
  EXPECT_EQ(splitSourcePath("\\\\server\\mail\\a.eml", PathStyle::Windows).targetFolder, "mail");
  // Merges with the same folder on a drive, as two drives do.
  EXPECT_EQ(p.targetFolder,
            splitSourcePath("E:\\Inbox\\Old\\b.eml", PathStyle::Windows).targetFolder);
}

TEST(PathPiecesTest, PathsWithoutARootHaveNoTargetFolder) {
  for (const char* text : {"Mail\\a.eml", "\\\\server", "\\\\server\\share", "\\\\\\x\\a.eml"}) {
    const SourcePathPieces p = splitSourcePath(text, PathStyle::Windows);
    EXPECT_EQ(p.belowRoot, std::nullopt) << text;
    EXPECT_EQ(p.targetFolder, std::nullopt) << text;
  }
  EXPECT_EQ(splitSourcePath("Mail/a.eml", PathStyle::Posix).targetFolder, std::nullopt);
}

TEST(PathPiecesTest, PosixRootPlaysTheDrivesPart) {
  const SourcePathPieces p = splitSourcePath("/home/ann/Mail/a.eml", PathStyle::Posix);
  EXPECT_EQ(p.afterDrive, "/home/ann/Mail/a.eml");
  EXPECT_EQ(p.folder, "home/ann/Mail");
  EXPECT_EQ(p.belowRoot, "/home/ann/Mail/a.eml");
  EXPECT_EQ(p.targetFolder, "home/ann/Mail");
  const SourcePathPieces root = splitSourcePath("/a.eml", PathStyle::Posix);
  EXPECT_EQ(root.folder, std::nullopt);
  EXPECT_EQ(root.targetFolder, std::string(kPosixRootFolderName));
}

TEST(PathPiecesTest, NativeStyleIsTheDefault) {
#ifdef _WIN32
  const char* text = "C:\\Mail\\a.eml";
#else
  const char* text = "/Mail/a.eml";
#endif
  EXPECT_EQ(splitSourcePath(text).targetFolder,
            splitSourcePath(text, kNativePathStyle).targetFolder);
  EXPECT_EQ(splitSourcePath(text).targetFolder, "Mail");
}

}  // namespace
}  // namespace mailferry::sources
