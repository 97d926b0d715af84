// The one message that closes a conversion run: how many files were converted, how many were
// not, and the first of those with their cause; the first files converted with part of their
// content left out, and what. A run in which every file failed says so.
#pragma once

#include <string>
#include <vector>

#include "sources/SkippedFolders.h"

namespace mailferry::store {

// A listed file that did not become an item, and why.
struct FailedFile {
  std::string path;
  std::string cause;
};

struct RunTally {
  int converted = 0;
  std::vector<FailedFile> failures;  // in row order
  // Files converted with part of their content left out, and what (in row order).
  std::vector<FailedFile> contentLost;
  std::string pstPath;  // the new store's file, once it is made
  // Why the PST file could not be written or finished, if it could not: the run stopped there.
  std::string storeError;
  bool pstRemoved = false;  // the unfinished file could not be trusted and was removed
  // The complete file could not take its final name: the name it was meant to have, and why.
  // pstPath is then the name it kept ("... (incomplete).pst").
  struct NotRenamed {
    std::string finalPath;
    std::string cause;
  } notRenamed;
  bool stopped = false;  // the user stopped the run before the end of the list
  // The folders the searches behind the list left out; unreadable ones count against the run.
  std::vector<sources::SkippedFolder> skippedFolders;
};

// What the items are called: "message"/"messages", "contact"/"contacts".
struct ItemWords {
  const char* singular;
  const char* plural;
};

// How many failed files (and how many files with content left out) the closing message names.
inline constexpr int kNamedFailures = 5;

struct RunSummary {
  std::string text;
  // Some or all files failed, some lost part of their content, a folder could not be
  // searched, or the store could not be finished.
  bool warning = false;
};

// The front ends show the text titled with the application's title, with the warning icon
// when it is a warning.
RunSummary summarizeRun(const RunTally& tally, ItemWords words);

}  // namespace mailferry::store
