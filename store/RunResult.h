// What a conversion run (or the command that starts one) ends with.
#pragma once

#include <string>
#include <vector>

#include "store/RunSummary.h"

namespace mailferry::store {

struct RunResult {
  enum class Outcome {
    AlreadyRunning,  // a run of the same window was in progress: nothing started
    Cancelled,       // the output folder dialog was cancelled: no store
    StoreFailed,     // the store could not be made: tally.storeError says why
    Finished,        // every listed file was taken in hand; see the tally
  };
  Outcome outcome = Outcome::AlreadyRunning;
  std::string storeDisplayName;  // the display name the new store was added under
  // Converted items and the files that gave none; the new store's file.
  RunTally tally;
  // The email run: every folder of the target tree, in the order it was made (each once) ...
  std::vector<std::string> folderList;
  // ... and the folders that could not be made, with the cause; their files are failures.
  std::vector<FailedFile> folderFailures;
};

}  // namespace mailferry::store
