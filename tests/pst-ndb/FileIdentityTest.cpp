// Removing and renaming a file by its identity: a file that took the name of the one a run
// made is neither removed nor renamed, and a rename never replaces a file.
#include "pst/ndb/FileIdentity.h"

#include <gtest/gtest.h>

#include <fstream>

#include "pst/PstError.h"
#include "pst/ndb/SystemFile.h"
#include "tests/pst-ndb/NdbTestFiles.h"

namespace mailferry::pst {
namespace {

using mailferry::testing::TempFolder;
namespace fs = std::filesystem;

FileIdentity createFile(const fs::path& path) {
  return SystemFile(path).identity();
}

std::string text(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FileIdentityTest, AFileThatTookTheNameIsLeftAlone) {
  TempFolder dir;
  const FileIdentity ours = createFile(dir / "run.pst");
  // Ours still exists (so no file can have its identity) under another name.
  fs::rename(dir / "run.pst", dir / "moved.pst");
  std::ofstream(dir / "run.pst") << "another program's file";
  EXPECT_FALSE(removeIfSameFile(dir / "run.pst", ours));
  EXPECT_THROW(renameIfSameFile(dir / "run.pst", dir / "final.pst", ours), PstError);
  EXPECT_EQ(text(dir / "run.pst"), "another program's file");
  EXPECT_FALSE(fs::exists(dir / "final.pst"));
  EXPECT_TRUE(removeIfSameFile(dir / "moved.pst", ours));
  EXPECT_FALSE(fs::exists(dir / "moved.pst"));
}

TEST(FileIdentityTest, ARenameReplacesNothing) {
  TempFolder dir;
  const FileIdentity ours = createFile(dir / "run.pst");
  std::ofstream(dir / "taken.pst") << "keep";
  try {
    renameIfSameFile(dir / "run.pst", dir / "taken.pst", ours);
    FAIL() << "a file was replaced";
  } catch (const PstError& error) {
    EXPECT_TRUE(error.isExists()) << error.what();
  }
  EXPECT_EQ(text(dir / "taken.pst"), "keep");
  renameIfSameFile(dir / "run.pst", dir / "final.pst", ours);
  EXPECT_FALSE(fs::exists(dir / "run.pst"));
  EXPECT_TRUE(removeIfSameFile(dir / "final.pst", ours));
}

}  // namespace
}  // namespace mailferry::pst
