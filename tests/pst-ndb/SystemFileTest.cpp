// The system calls behind OutputFile with what the 32-bit parts of an API would get wrong:
// offsets and sizes past 4 GB, a file name outside ASCII, and a file that exists already.
#include "pst/ndb/SystemFile.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "pst/PstError.h"
#include "tests/support/TempFolder.h"

namespace mailferry::pst {
namespace {

TEST(SystemFileTest, OffsetsPastFourGigabytesWriteAndReadBack) {
  testing::TempFolder dir("systemfile");
  // The gap before the bytes stays a hole on Linux file systems and under Wine; NTFS fills it.
  // A char8_t name: Windows builds would read a plain char name in the ANSI code page.
  const auto path = dir.path() / std::filesystem::path(u8"größer als 4 GB.pst");
  constexpr std::uint64_t kFar = (std::uint64_t{5} << 30) + 123;  // 5 GiB and a bit
  std::array<std::uint8_t, 4096> written{}, read{};
  for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<std::uint8_t>(i * 7);
  {
    SystemFile file(path);
    file.writeAt(written.data(), written.size(), kFar);
    file.readAt(read.data(), read.size(), kFar);
    EXPECT_EQ(read, written);
    EXPECT_THROW(file.readAt(read.data(), 1, kFar + written.size()), PstError);
    file.setSize(kFar + 1);
    file.sync();
  }
  EXPECT_EQ(std::filesystem::file_size(path), kFar + 1);
  EXPECT_THROW(SystemFile{path}, PstError) << "an existing file is never overwritten";
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace mailferry::pst
