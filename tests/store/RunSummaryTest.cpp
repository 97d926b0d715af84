// The closing message of a run: a file listed twice is named once, a run that stopped says so
// and where its file is, and files that lost content follow the failures, five at most.
#include <gtest/gtest.h>

#include "store/RunSummary.h"

namespace mailferry::store {
namespace {

constexpr ItemWords kWords{"message", "messages"};

TEST(RunSummaryTest, AFileListedTwiceIsNamedOnce) {
  RunTally tally;
  tally.converted = 1;
  tally.failures = {{"/m/bad.eml", "no header"}, {"/m/bad.eml", "no header"}};
  const std::string text = summarizeRun(tally, kWords).text;
  EXPECT_EQ(text.find("/m/bad.eml"), text.rfind("/m/bad.eml")) << text;
  EXPECT_EQ(text.find("more."), std::string::npos) << text;
}

TEST(RunSummaryTest, AStoppedRunSaysWhyAndWhetherItsFileWasKept) {
  RunTally tally;
  tally.converted = 3;
  tally.pstPath = "/out/K.pst";
  tally.storeError = "no space left on device";
  tally.pstRemoved = true;
  const RunSummary removed = summarizeRun(tally, kWords);
  EXPECT_TRUE(removed.warning);
  EXPECT_EQ(removed.text,
            "The new store could not be finished: no space left on device. The run stopped "
            "there.\n3 messages converted, 0 failed.\nThe unfinished file was removed: /out/K.pst");
  tally = {};
  tally.converted = 2;
  tally.pstPath = "/out/K.pst";
  tally.stopped = true;
  EXPECT_EQ(summarizeRun(tally, kWords).text,
            "The run was stopped before the end of the list.\n2 messages converted, 0 failed.\n"
            "Saved in: /out/K.pst");
}

TEST(RunSummaryTest, FilesThatLostContentAreNamedAfterTheFailuresWithAWarning) {
  RunTally tally;
  tally.converted = 7;
  tally.failures = {{"/m/bad.eml", "no header"}};
  for (int i = 0; i < 7; ++i)
    tally.contentLost.push_back({"/m/deep" + std::to_string(i) + ".eml", "2 parts left out"});
  tally.pstPath = "/out/K.pst";
  const RunSummary summary = summarizeRun(tally, kWords);
  EXPECT_TRUE(summary.warning);
  EXPECT_EQ(summary.text,
            "7 messages converted, 1 failed.\nNot converted:\n/m/bad.eml: no header\n"
            "Converted, but with content left out:\n/m/deep0.eml: 2 parts left out\n"
            "/m/deep1.eml: 2 parts left out\n/m/deep2.eml: 2 parts left out\n"
            "/m/deep3.eml: 2 parts left out\n/m/deep4.eml: 2 parts left out\n... and 2 more.\n"
            "Saved in: /out/K.pst");
}

}  // namespace
}  // namespace mailferry::store
