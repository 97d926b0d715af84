// Commits during long work: a copy of the file taken while the store is still being written
// holds everything up to the last automatic commit and nothing after it.
#include <chrono>

#include <gtest/gtest.h>

#include "pst/KnownTags.h"
#include "pst/PstError.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/PstStore.h"
#include "tests/pst-messaging/StoreProbe.h"

namespace mailferry::pst {
namespace {

using mailferry::testing::TempFolder;
using testing::StoreProbe;

TEST(Commits, ACrashLosesOnlyTheItemsSinceTheLastAutomaticCommit) {
  TempFolder dir;
  const auto file = dir / "live.pst";
  const auto snapshot = dir / "snapshot.pst";
  CommitPolicy policy;
  policy.itemsPerCommit = 10;
  policy.bytesPerCommit = 0;
  auto store = PstStore::create(file, u"Live", policy);
  const Nid folder = store->addFolder(store->ipmSubtree(), u"Mail");
  for (int i = 0; i < 25; ++i) {
    auto m = store->addMessage(folder);
    m->set(tags::kSubject, PropValue::utf8("message " + std::to_string(i)));
    m->save();
  }
  // The process "dies" here, once the automatic commit after item 20, which runs in the
  // background, and the writes after it have reached the file.
  store->waitForWrites();
  std::filesystem::copy_file(file, snapshot);
  {
    StoreProbe s(snapshot);
    EXPECT_EQ(s.nodesOfType(NidType::NormalMessage).size(), 20u);
    EXPECT_EQ(s.table(folder + 0xC).rows().size(), 20u);
    EXPECT_EQ(s.int32(folder, tags::kContentCount), 20);
  }
  store->close();
  StoreProbe s(file);
  EXPECT_EQ(s.nodesOfType(NidType::NormalMessage).size(), 25u);
  EXPECT_EQ(s.int32(folder, tags::kContentCount), 25);
}

TEST(Commits, ByteThresholdCommitsLargeItemsEarly) {
  TempFolder dir;
  const auto file = dir / "bytes.pst";
  CommitPolicy policy;
  policy.itemsPerCommit = 0;
  policy.bytesPerCommit = 100'000;
  auto store = PstStore::create(file, u"Bytes", policy);
  const Nid folder = store->addFolder(store->ipmSubtree(), u"Mail");
  auto m = store->addMessage(folder);
  m->set(tags::kBody, PropValue::utf8(std::string(200'000, 'z')));
  m->save();
  m.reset();
  store->waitForWrites();  // the automatic commit runs in the background
  EXPECT_EQ(StoreProbe(file).nodesOfType(NidType::NormalMessage).size(), 1u);
  EXPECT_FALSE(CommitPolicy{}.due(9'999, 1000));
  EXPECT_TRUE(CommitPolicy{}.due(10'000, 0));
  EXPECT_TRUE(CommitPolicy{}.due(1, 256ull << 20));
}

TEST(Commits, SlowWorkIsCommittedThreeSecondsAfterTheLastCommit) {
  TempFolder dir;
  const auto file = dir / "slow.pst";
  std::chrono::steady_clock::time_point now{};
  CommitPolicy policy;
  policy.itemsPerCommit = 0;
  policy.bytesPerCommit = 0;
  policy.now = [&now] { return now; };
  auto store = PstStore::create(file, u"Slow", policy);
  const Nid folder = store->addFolder(store->ipmSubtree(), u"Mail");
  auto saveAfter = [&](std::chrono::milliseconds pause) {
    now += pause;
    store->addMessage(folder)->save();
    store->waitForWrites();
    return StoreProbe(file).nodesOfType(NidType::NormalMessage).size();
  };
  EXPECT_EQ(saveAfter(std::chrono::milliseconds(1000)), 0u);
  EXPECT_EQ(saveAfter(std::chrono::milliseconds(1999)), 0u);
  EXPECT_EQ(saveAfter(std::chrono::milliseconds(1)), 3u);  // 3 s after the create's commit
  EXPECT_EQ(saveAfter(std::chrono::milliseconds(2999)), 3u);
  EXPECT_EQ(saveAfter(std::chrono::milliseconds(1)), 5u);
}

TEST(Commits, ClosedStoreRefusesWork) {
  TempFolder dir;
  auto store = PstStore::create(dir / "closed.pst", u"Closed");
  store->close();
  EXPECT_THROW(store->addFolder(store->ipmSubtree(), u"X"), PstError);
  EXPECT_THROW(store->commit(), PstError);
}

}  // namespace
}  // namespace mailferry::pst
