// The email window's Convert command: imports every listed message file into a new PST
// store, inside a folder tree that repeats the folders the files come from.
#pragma once

#include <string>
#include <vector>

#include "sources/ConversionWindow.h"

namespace mailferry::email {

// A listed file that did not become a message, and why.
struct FailedFile {
  std::string path;
  std::string cause;
};

struct EmailRunResult {
  enum class Outcome {
    AlreadyRunning,  // a run of this window was in progress: nothing started
    Cancelled,       // the output folder dialog was cancelled: no store
    StoreFailed,     // the store could not be made or finished: storeError says why
    Finished,        // every row was taken in hand; see converted and failures
  };
  Outcome outcome = Outcome::AlreadyRunning;
  std::string pstPath;           // the new store's file, once it is made
  std::string storeDisplayName;  // the display name it was added under
  std::string storeError;
  // Every folder of the target tree, in the order it was made (each once).
  std::vector<std::string> folderList;
  // Folders that could not be made, with the cause; their files are among the failures.
  std::vector<FailedFile> folderFailures;
  int converted = 0;
  std::vector<FailedFile> failures;  // in row order
};

// Flags every converted message carries: read, and has-attachment when it has one.
inline constexpr int kMsgFlagRead = 0x1;
inline constexpr int kMsgFlagHasAttach = 0x10;
// How many failed files the closing message names.
inline constexpr int kNamedFailures = 5;

// The Convert handler CmdExtractDBX_Click of the email window; also driven by the
// command-line program. Ends with one message box that sums up the run.
EmailRunResult CmdExtractDBX_Click(sources::ConversionWindow& window);

// The closing message of a finished run and whether it is a warning (some or all failed).
struct RunSummary {
  std::string text;
  bool warning = false;
};
RunSummary summarizeRun(const EmailRunResult& result);

}  // namespace mailferry::email
