// Reading back what was appended: from the buffer being filled while the bytes are still in it
// (before their sealing), from the file once their batch is written (after it), and without
// waiting on work queued after them. Patching appended bytes in the buffer and behind it. The
// file's pages leaving the system's file cache once synced, when asked to.
#include "pst/ndb/OutputFile.h"

#include "pst/ndb/Ids.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/mman.h>
#include <sys/vfs.h>
#include <unistd.h>
#endif

#ifndef _WIN32
#include <fcntl.h>
#endif

#include <numeric>

#include "pst/PstError.h"
#include "tests/pst-ndb/NdbTestFiles.h"

namespace mailferry::pst {
namespace {

std::vector<std::uint8_t> counting(std::size_t size, std::uint8_t first) {
  std::vector<std::uint8_t> bytes(size);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

std::vector<std::uint8_t> inverted(std::vector<std::uint8_t> bytes) {
  for (auto& b : bytes) b = static_cast<std::uint8_t>(~b);
  return bytes;
}

TEST(OutputFileTest, AppendedBytesReadBackBeforeAndAfterTheirBatchIsWritten) {
  mailferry::testing::TempFolder dir;
  OutputFile file(dir / "out.bin", [](std::span<std::uint8_t> area) {
    for (auto& b : area) b = static_cast<std::uint8_t>(~b);  // sealing inverts every byte
  });
  const auto sealed = counting(100, 1);
  auto area = file.appendInPlace(0, sealed.size(), true);
  std::copy(sealed.begin(), sealed.end(), area.begin());
  const auto plain = counting(64, 7);
  file.append(128, plain);

  // Still in the buffer: as appended, the sealed area not sealed yet.
  EXPECT_EQ(file.readAppended(0, 100), sealed);
  EXPECT_EQ(file.readAppended(128, 64), plain);

  // Past a whole buffer of later appends the first batch is in the file, sealed.
  const std::vector<std::uint8_t> filler(1 << 20, 0x5A);
  for (std::uint64_t at = 1024; at < (9u << 20); at += filler.size()) file.append(at, filler);
  file.queueSync();  // a read waits for the batch that holds its bytes, not for this
  EXPECT_EQ(file.readAppended(0, 100), inverted(sealed));
  EXPECT_EQ(file.readAppended(128, 64), plain);
  EXPECT_EQ(file.readAppended(1024 + 10, 16), std::vector<std::uint8_t>(16, 0x5A));
  // The last bytes appended, in the buffer again, and a read across the buffer's start.
  const std::uint64_t end = file.appendEnd();
  EXPECT_EQ(file.readAppended(end - 16, 16), std::vector<std::uint8_t>(16, 0x5A));
  EXPECT_EQ(file.readAppended(end - (3u << 20), 2u << 20),
            std::vector<std::uint8_t>(2u << 20, 0x5A));
  file.drain();
}

TEST(OutputFileTest, PatchesLandInTheBufferBehindItAndAcrossItsStart) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "patched.bin";
  const std::vector<std::uint8_t> filler(1 << 20, 0x11);
  const auto patch = counting(512, 3);
  // The write buffers hold 4 MB: the appends fill those at 0 and 4 MB, which go to the
  // writer, and the one at 8 MB, which is still being filled.
  const std::uint64_t early = 4096;                   // handed over
  const std::uint64_t straddling = (8u << 20) - 256;  // across the start of the current one
  const std::uint64_t late = (12u << 20) - 8192;      // in the current one
  {
    OutputFile file(path);
    for (std::uint64_t at = 0; at < (12u << 20); at += filler.size()) file.append(at, filler);
    file.patchAppended(early, patch);
    file.patchAppended(straddling, patch);
    file.patchAppended(late, patch);
    EXPECT_THROW(file.patchAppended(file.appendEnd() - 100, patch), PstError);
    file.append((12u << 20) + 1000, counting(16, 9));  // appends go on after the patches
    file.drain();
  }
  const auto bytes = testing::readWholeFile(path);
  ASSERT_EQ(bytes.size(), (12u << 20) + 1000 + 16);
  auto at = [&](std::uint64_t offset) {
    return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(offset + 512));
  };
  for (std::uint64_t offset : {early, straddling, late}) EXPECT_EQ(at(offset), patch) << offset;
  EXPECT_EQ(bytes[early - 1], 0x11);
  EXPECT_EQ(bytes[early + 512], 0x11);
  EXPECT_EQ(bytes[(12u << 20) + 999], 0);  // the gap before the last append
}

// Offsets past 4 GB, beyond 32 bits, reach the file as they are: an append, a write at a fixed
// place, the size. The gap before them stays a hole where the file system has holes.
TEST(OutputFileTest, OffsetsPastFourGigabytes) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "large.bin";
  constexpr std::uint64_t kFar = (5ull << 30) + 12345;
  {
    OutputFile file(path);
    file.append(kFar, counting(4096, 3));
    file.queueSetSize(kFar + 8192);
    file.queueWriteAt(kFar + 10, counting(4, 200));
    file.drain();
    EXPECT_EQ(file.readAppended(kFar + 8, 8),
              (std::vector<std::uint8_t>{11, 12, 200, 201, 202, 203, 17, 18}));
  }
  EXPECT_EQ(std::filesystem::file_size(path), kFar + 8192);
}

#ifndef _WIN32
// Pages of `path` in the system's file cache, in 4 KB units.
std::size_t cachedPages(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const std::size_t size = std::filesystem::file_size(path);
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  std::vector<unsigned char> resident((size + page - 1) / page);
  ::mincore(map, size, resident.data());
  ::munmap(map, size);
  return static_cast<std::size_t>(std::count_if(resident.begin(), resident.end(),
                                                [](unsigned char r) { return r & 1; })) *
         (page / 4096);
}

#endif

TEST(OutputFileTest, SyncedPagesLeaveTheFileCacheWhenAskedTo) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no call that drops a file's pages from its cache";
#else
  mailferry::testing::TempFolder dir;
  struct statfs fs {};
  constexpr long kTmpfsMagic = 0x01021994;
  if (::statfs(dir.path().c_str(), &fs) == 0 && fs.f_type == kTmpfsMagic) {
    GTEST_SKIP() << "a file in memory has no disk to leave its pages on";
  }
  const std::vector<std::uint8_t> filler(1 << 20, 0x22);
  constexpr std::size_t kPages = (16u << 20) / 4096;
  for (auto way : {OutputFile::SyncedPages::Kept, OutputFile::SyncedPages::Released}) {
    const bool released = way == OutputFile::SyncedPages::Released;
    const auto path = dir / (released ? "released.bin" : "kept.bin");
    OutputFile file(path, {}, way);
    for (std::uint64_t at = 0; at < (16u << 20); at += filler.size()) file.append(at, filler);
    file.queueSync();
    file.drain();
    if (released) {
      EXPECT_LE(cachedPages(path), kPages / 8);
      // Written over once released, a page still reads back right.
      file.queueWriteAt(100, counting(8, 1));
      file.drain();
      EXPECT_EQ(file.readAppended(96, 16),
                (std::vector<std::uint8_t>{0x22, 0x22, 0x22, 0x22, 1, 2, 3, 4, 5, 6, 7, 8, 0x22,
                                           0x22, 0x22, 0x22}));
    } else {
      EXPECT_GE(cachedPages(path), kPages * 7 / 8);
    }
  }
#endif
}

}  // namespace
}  // namespace mailferry::pst
