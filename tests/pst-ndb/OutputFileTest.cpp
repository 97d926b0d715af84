// Reading back what was appended: from the buffer being filled while the bytes are still in it
// (before their sealing), from the file once their batch is written (after it), and without
// waiting on work queued after them.
#include "pst/ndb/OutputFile.h"

#include <gtest/gtest.h>

#include <numeric>

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
  testing::NdbTempDir dir;
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

}  // namespace
}  // namespace mailferry::pst
