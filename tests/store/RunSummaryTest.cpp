// The closing message of a run: a file listed twice is named once, and a run that stopped
// says so and where its file is.
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

}  // namespace
}  // namespace mailferry::store
