// Sorting and de-duplication of path lists, and the ordinal order they rely on.
#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sources/OrdinalOrder.h"
#include "sources/PathSeparator.h"
#include "sources/modMain.h"

namespace mailferry::sources {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using List = std::vector<std::string>;

TEST(OrdinalOrderTest, ComparesCodeUnitsWithCase) {
  EXPECT_TRUE(ordinalLess("", "a"));
  EXPECT_TRUE(ordinalLess("Z", "a"));
  EXPECT_TRUE(ordinalLess("Mail", "Mail\\Inbox"));
  EXPECT_FALSE(ordinalLess("a", "a"));
  EXPECT_EQ(ordinalCompare("abc", "abc"), 0);
  EXPECT_TRUE(ordinalLess("a\xC3\xA9", "a\xC3\xAA"));  // é before ê
}

TEST(OrdinalOrderTest, CharactersBeyondTheBasicPlaneSortAsSurrogatePairs) {
  const std::string halfwidthDot = "\xEF\xBD\xA1";   // U+FF61: one code unit 0xFF61
  const std::string grinning = "\xF0\x9F\x98\x80";   // U+1F600: 0xD83D 0xDE00
  const std::string hangul = "\xEA\xB0\x80";         // U+AC00, below the surrogates
  EXPECT_TRUE(ordinalLess(grinning, halfwidthDot));  // byte order would say the opposite
  EXPECT_TRUE(ordinalLess("x" + grinning, "x" + halfwidthDot));
  EXPECT_TRUE(ordinalLess(hangul, grinning));
  EXPECT_TRUE(ordinalLess("\xF0\x9F\x98\x80", "\xF0\x9F\x98\x81"));
}

TEST(QuickSortTest, SortsTheDocumentedExample) {
  List list{"C", "a", "B", "a", ""};
  modMain::QuickSort(list, 0, 4);
  EXPECT_THAT(list, ElementsAre("", "B", "C", "a", "a"));
}

TEST(QuickSortTest, SingleEntryAndEmptyRangesChangeNothing) {
  List list{"b", "a", "c"};
  modMain::QuickSort(list, 1, 1);
  EXPECT_THAT(list, ElementsAre("b", "a", "c"));
  modMain::QuickSort(list, 2, 1);
  EXPECT_THAT(list, ElementsAre("b", "a", "c"));
  List empty;
  modMain::QuickSort(empty, 0, -1);
  EXPECT_THAT(empty, IsEmpty());
}

TEST(QuickSortTest, LeavesEntriesOutsideTheRangeAlone) {
  List list{"z", "y", "c", "b", "a", "\x01", ""};
  modMain::QuickSort(list, 1, 4);
  EXPECT_THAT(list, ElementsAre("z", "a", "b", "c", "y", "\x01", ""));
}

TEST(QuickSortTest, RejectsARangeOutsideTheList) {
  List list{"a", "b"};
  EXPECT_THROW(modMain::QuickSort(list, 0, 2), std::out_of_range);
  EXPECT_THROW(modMain::QuickSort(list, -1, 1), std::out_of_range);
}

TEST(QuickSortTest, AgreesWithAReferenceSortOnManyLists) {
  std::mt19937 random(20261207);
  const std::vector<std::string> pieces{
      "", "a", "A", "b", "Mail", "\\", "\xC3\xA9", "\xF0\x9F\x98\x80", "\xEF\xBD\xA1", "Inbox"};
  for (int round = 0; round < 300; ++round) {
    List list(random() % 40);
    for (auto& entry : list) {
      for (unsigned n = random() % 4; n > 0; --n) entry += pieces[random() % pieces.size()];
    }
    List expected = list;
    std::sort(expected.begin(), expected.end(),
              [](const std::string& a, const std::string& b) { return ordinalLess(a, b); });
    modMain::QuickSort(list, 0, static_cast<int>(list.size()) - 1);
    ASSERT_EQ(list, expected) << "round " << round;
  }
}

TEST(QuickSortTest, LongListsOfEqualAndOrderedEntries) {
  List equal(200000, "Mail\\Inbox");
  modMain::QuickSort(equal, 0, static_cast<int>(equal.size()) - 1);
  EXPECT_TRUE(std::all_of(equal.begin(), equal.end(),
                          [](const std::string& s) { return s == "Mail\\Inbox"; }));
  List ordered;
  for (int i = 0; i < 200000; ++i) ordered.push_back(std::to_string(1000000 + i));
  List reversed(ordered.rbegin(), ordered.rend());
  modMain::QuickSort(reversed, 0, static_cast<int>(reversed.size()) - 1);
  EXPECT_EQ(reversed, ordered);
}

TEST(RemoveDuplicatesTest, KeepsTheFirstOfEveryRunAndDropsEmpties) {
  List list{"", "B", "B", "B", "C", "a", "a"};
  modMain::RemoveDuplicates(list);
  EXPECT_THAT(list, ElementsAre("B", "C", "a"));
}

TEST(RemoveDuplicatesTest, OnlyNeighboursCount) {
  List list{"x", "y", "x"};
  modMain::RemoveDuplicates(list);
  EXPECT_THAT(list, ElementsAre("x", "y", "x"));
}

TEST(RemoveDuplicatesTest, CaseAndTrailingSeparatorMakeDifferentEntries) {
  const std::string sep(1, kPathSeparator);
  List list{"A", "a", "a", "Mail", "Mail" + sep, "Mail" + sep};
  modMain::RemoveDuplicates(list);
  EXPECT_THAT(list, ElementsAre("A", "a", "Mail", "Mail" + sep));
}

TEST(RemoveDuplicatesTest, EmptyAndAllEmptyListsBecomeEmpty) {
  List none;
  modMain::RemoveDuplicates(none);
  EXPECT_THAT(none, IsEmpty());
  List blanks{"", "", ""};
  modMain::RemoveDuplicates(blanks);
  EXPECT_THAT(blanks, IsEmpty());
}

TEST(RemoveDuplicatesTest, SortThenRemoveGivesEachFolderOnce) {
  List list{"Mail\\Sent", "Mail\\Inbox", "", "Mail", "Mail\\Inbox", "Mail", "Mail\\Sent"};
  modMain::QuickSort(list, 0, static_cast<int>(list.size()) - 1);
  modMain::RemoveDuplicates(list);
  EXPECT_THAT(list, ElementsAre("Mail", "Mail\\Inbox", "Mail\\Sent"));
}

}  // namespace
}  // namespace mailferry::sources
