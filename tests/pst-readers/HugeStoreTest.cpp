// A store past 2 GB (42 messages with 50 MB attachments): pstcheck and the three readers open
// it and list every message. Not in the default run (label huge).
#include <gtest/gtest.h>

#include "tests/pst-messaging/StoreProbe.h"
#include "tests/pst-readers/ExpectedStore.h"
#include "tests/pst-readers/ReaderOracle.h"

namespace mailferry::pst {
namespace {

TEST(HugeStore, AStorePastTwoGigabytesOpensInEveryReader) {
  mailferry::testing::TempFolder dir;
  const auto pst = dir / "huge.pst";
  pstgen::SyntheticOptions o;
  o.folders = 2;
  o.messages = 42;
  o.attachmentKb = 50 * 1024;
  pstgen::writeSyntheticStore(pst, o);
  ASSERT_GT(std::filesystem::file_size(pst), 2ull << 30);

  const auto check = testing::pstcheck(pst);
  EXPECT_EQ(check.status, 0) << check.output;
  const auto expected = dir / "expected.json";
  testing::writeText(expected, testing::expectedStore(o, testing::ItemDetail::Light).json);
  const auto compare = testing::compareReaders(pst, expected, "--counts");
  EXPECT_EQ(compare.status, 0) << compare.output;
}

}  // namespace
}  // namespace mailferry::pst
