// The email window's Convert command: imports every listed message file into a new PST
// store, inside a folder tree that repeats the folders the files come from.
#pragma once

#include <string>
#include <vector>

#include "sources/ConversionWindow.h"
#include "store/RunSummary.h"

namespace mailferry::email {

struct EmailRunResult {
  enum class Outcome {
    AlreadyRunning,  // a run of this window was in progress: nothing started
    Cancelled,       // the output folder dialog was cancelled: no store
    StoreFailed,     // the store could not be made or finished: tally.storeError says why
    Finished,        // every row was taken in hand; see the tally
  };
  Outcome outcome = Outcome::AlreadyRunning;
  std::string storeDisplayName;  // the display name the new store was added under
  // Converted messages and the files that gave none; the new store's file.
  store::RunTally tally;
  // Every folder of the target tree, in the order it was made (each once).
  std::vector<std::string> folderList;
  // Folders that could not be made, with the cause; their files are among the failures.
  std::vector<store::FailedFile> folderFailures;
};

// Flags every converted message carries: read, and has-attachment when it has one.
inline constexpr int kMsgFlagRead = 0x1;
inline constexpr int kMsgFlagHasAttach = 0x10;

inline constexpr store::ItemWords kMessageWords{"message", "messages"};

// The Convert handler CmdExtractDBX_Click of the email window; also driven by the
// command-line program. Ends with one message box that sums up the run.
EmailRunResult CmdExtractDBX_Click(sources::ConversionWindow& window);

}  // namespace mailferry::email
