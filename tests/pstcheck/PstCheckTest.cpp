// pstcheck on Outlook's own file (which must pass) and on copies with one fault each, which
// must fail naming the offset of the fault.
#include "tools/pstcheck/PstChecker.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

#include <sys/wait.h>

#include "pst/ndb/Format.h"
#include "pst/ndb/NdbReader.h"
#include "tests/pstcheck/TestFiles.h"

namespace mailferry::pstcheck {
namespace {

namespace fmt = pst::format;

// Runs the checker and returns the offset it names, or -2 when the file passes.
std::int64_t failingOffset(const std::filesystem::path& file, std::string* message = nullptr) {
  try {
    checkPst(file);
    return -2;
  } catch (const pst::PstError& e) {
    if (message) *message = e.what();
    return e.offset();
  }
}

void rewriteAMapCrc(std::vector<std::uint8_t>& bytes, std::uint64_t amap) {
  const auto crc =
      fmt::computeCrc(std::span<const std::uint8_t>(bytes).subspan(amap, fmt::kPageDataSize));
  fmt::store32(bytes.data() + amap + fmt::pagetrailer::kCrc, crc);
}

class PstCheck : public ::testing::Test {
 protected:
  std::filesystem::path damaged(const std::vector<std::uint8_t>& bytes) {
    const auto path = dir_.path() / "damaged.pst";
    testing::writeFile(path, bytes);
    return path;
  }
  testing::TempDir dir_;
  std::vector<std::uint8_t> original_ = testing::readFile(testing::referencePst());
};

TEST_F(PstCheck, AcceptsOutlooksOwnFile) {
  std::vector<std::string> lines;
  const auto summary =
      checkPst(testing::referencePst(), [&](const std::string& l) { lines.push_back(l); });
  EXPECT_EQ(summary.nodes, 128u);
  EXPECT_EQ(summary.blocks, 155u);
  EXPECT_EQ(summary.pages, 26u);
  EXPECT_GT(lines.size(), 5u);
}

TEST_F(PstCheck, NamesTheOffsetOfAFaultInTheHeaderPagesAndBlocks) {
  auto header = original_;
  header[0x30] ^= 0x01;  // rgnid[1]
  EXPECT_EQ(failingOffset(damaged(header)), 0x04);

  auto bbtLeaf = original_;
  auto reader = pst::NdbReader::open(testing::referencePst());
  // The first leaf of the BBT, found through the root's first entry (btkey, bid, ib).
  const std::uint64_t bbtRoot = fmt::load64(bbtLeaf.data() + fmt::header::kBrefBbt + 8);
  const std::uint64_t leaf = fmt::load64(bbtLeaf.data() + bbtRoot + 16);
  bbtLeaf[leaf + 40] ^= 0x01;
  EXPECT_EQ(failingOffset(damaged(bbtLeaf)), static_cast<std::int64_t>(leaf));

  const auto store = reader->block(reader->node(0x21)->data);
  auto block = original_;
  block[store->offset + 20] ^= 0x80;
  EXPECT_EQ(failingOffset(damaged(block)), static_cast<std::int64_t>(store->offset));
}

TEST_F(PstCheck, NamesTheAMapByteOfAWrongAllocationBit) {
  auto reader = pst::NdbReader::open(testing::referencePst());
  const auto store = reader->block(reader->node(0x21)->data);
  const std::uint64_t slot = (store->offset - fmt::kFirstAMapOffset) / fmt::kSlotSize;
  const std::uint64_t byte = fmt::kFirstAMapOffset + slot / 8;

  // A used slot marked free, with the AMap's CRC made right again.
  auto cleared = original_;
  cleared[byte] &= static_cast<std::uint8_t>(~(0x80 >> (slot % 8)));
  rewriteAMapCrc(cleared, fmt::kFirstAMapOffset);
  std::string message;
  EXPECT_EQ(failingOffset(damaged(cleared), &message), static_cast<std::int64_t>(byte)) << message;
  EXPECT_NE(message.find("clear"), std::string::npos) << message;

  // A free slot at the end of the interval marked allocated.
  auto set = original_;
  const std::uint64_t lastByte = fmt::kFirstAMapOffset + fmt::kPageDataSize - 1;
  ASSERT_EQ(set[lastByte] & 0x01, 0);
  set[lastByte] |= 0x01;
  rewriteAMapCrc(set, fmt::kFirstAMapOffset);
  EXPECT_EQ(failingOffset(damaged(set), &message), static_cast<std::int64_t>(lastByte)) << message;

  // The AMap page itself with a stale CRC.
  auto crc = original_;
  crc[fmt::kFirstAMapOffset + 100] ^= 0x01;
  EXPECT_EQ(failingOffset(damaged(crc)), static_cast<std::int64_t>(fmt::kFirstAMapOffset));
}

TEST_F(PstCheck, ToolExitsZeroOnSuccessAndOneNamingTheOffset) {
  const char* bin = std::getenv("MAILFERRY_BIN_DIR");
  ASSERT_NE(bin, nullptr);
  const auto run = [&](const std::filesystem::path& file, std::string& out) {
    const std::string cmd = std::string(bin) + "/pstcheck \"" + file.string() + "\"";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    std::array<char, 512> buf{};
    while (fgets(buf.data(), buf.size(), pipe.get())) out += buf.data();
    const int status = pclose(pipe.release());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  std::string out;
  EXPECT_EQ(run(testing::referencePst(), out), 0) << out;
  EXPECT_NE(out.find("OK"), std::string::npos);

  auto header = original_;
  header[0x0B8] ^= 0x01;
  out.clear();
  EXPECT_EQ(run(damaged(header), out), 1) << out;
  EXPECT_NE(out.find("offset 0x4"), std::string::npos) << out;
}

}  // namespace
}  // namespace mailferry::pstcheck
