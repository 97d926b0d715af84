// The contacts window's Convert command: every listed Windows Contacts file becomes one
// contact in the default Contacts folder of a new PST store.
#pragma once

#include <string>

#include "sources/ConversionWindow.h"
#include "store/RunSummary.h"

namespace mailferry::contacts {

struct ContactsRunResult {
  enum class Outcome {
    AlreadyRunning,  // a run of this window was in progress: nothing started
    Cancelled,       // the output folder dialog was cancelled: no store
    StoreFailed,  // the store could not be made: storeDisplayName is empty, tally.storeError says
                  // why
    Finished,     // every row was taken in hand
  };
  Outcome outcome = Outcome::AlreadyRunning;
  std::string storeDisplayName;
  // Converted contacts and the files that gave none (unreadable or malformed files are
  // reported and skipped: no empty contact is written for them).
  store::RunTally tally;
};

inline constexpr store::ItemWords kContactWords{"contact", "contacts"};

// The Convert handler CmdExtractDBX_Click of the contacts window; also driven by the
// command-line program. Ends with one message box that sums up the run.
ContactsRunResult CmdExtractDBX_Click(sources::ConversionWindow& window);

}  // namespace mailferry::contacts
