// The sorted map of internal blocks' tree sizes: lookups after many additions and removals,
// including across the compactions that removals set off.
#include "pst/ndb/GrowingKeyMap.h"

#include <gtest/gtest.h>

#include <map>

namespace mailferry::pst {
namespace {

TEST(GrowingKeyMapTest, AgreesWithAnOrderedMapThroughRemovalsAndCompactions) {
  GrowingKeyMap map;
  std::map<std::uint64_t, std::uint64_t> expected;
  std::uint64_t key = 6;
  for (int round = 0; round < 2000; ++round) {
    key += 4 + (round % 3) * 4;
    map.add(key, key * 3);
    expected[key] = key * 3;
    if (round % 3 != 0) {
      // Remove an older entry, sometimes one removed already.
      const std::uint64_t old = 6 + (static_cast<std::uint64_t>(round) * 7919 % key) / 4 * 4;
      map.erase(old);
      expected.erase(old);
    }
    if (round % 97 == 0) {
      ASSERT_EQ(map.size(), expected.size());
      for (const auto& [k, v] : expected) ASSERT_EQ(map.at(k), v);
    }
  }
  EXPECT_THROW(map.at(key + 4), std::out_of_range);
  EXPECT_THROW(map.at(3), std::out_of_range);
  const std::uint64_t gone = expected.empty() ? 0 : expected.begin()->first;
  map.erase(gone);
  EXPECT_THROW(map.at(gone), std::out_of_range);
  EXPECT_THROW(map.add(key, 1), std::logic_error);  // keys only grow
}

}  // namespace
}  // namespace mailferry::pst
