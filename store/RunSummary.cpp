// The closing message of a run.
#include "store/RunSummary.h"

#include <algorithm>
#include <cstddef>
#include <set>
#include <string>

namespace mailferry::store {

namespace {

std::string counted(std::size_t count, const ItemWords& words) {
  return std::to_string(count) + " " + (count == 1 ? words.singular : words.plural);
}

// A heading and the first kNamedFailures files of the list, one line each with its cause. A
// file listed twice is named once.
std::string namedFiles(const char* heading, const std::vector<FailedFile>& files) {
  std::string text = std::string("\n") + heading;
  std::set<std::string> named;
  for (const FailedFile& file : files) {
    if (named.size() == static_cast<std::size_t>(kNamedFailures)) break;
    if (named.insert(file.path).second) text += "\n" + file.path + ": " + file.cause;
  }
  std::set<std::string> distinct;
  for (const FailedFile& file : files) distinct.insert(file.path);
  if (distinct.size() > named.size()) {
    text += "\n... and " + std::to_string(distinct.size() - named.size()) + " more.";
  }
  return text;
}

}  // namespace

RunSummary summarizeRun(const RunTally& tally, ItemWords words) {
  RunSummary summary;
  const auto converted = static_cast<std::size_t>(tally.converted);
  const std::size_t failed = tally.failures.size();
  if (!tally.storeError.empty()) {
    summary.warning = true;
    summary.text =
        "The new store could not be finished: " + tally.storeError + ". The run stopped there.\n";
  }
  if (tally.stopped) {
    summary.warning = true;
    summary.text += "The run was stopped before the end of the list.\n";
  }
  if (converted == 0 && failed > 0) {
    summary.warning = true;
    summary.text += std::string("No ") + words.singular + " was converted: " +
                    (failed == 1 ? std::string("the one file failed.")
                                 : "all " + std::to_string(failed) + " files failed.");
  } else if (converted == 0) {
    summary.warning = true;
    summary.text += std::string("No ") + words.singular + " was converted: the list holds no file.";
  } else {
    summary.text +=
        counted(converted, words) + " converted, " + std::to_string(failed) + " failed.";
    summary.warning = summary.warning || failed > 0;
  }
  if (failed > 0) summary.text += namedFiles("Not converted:", tally.failures);
  if (!tally.contentLost.empty()) {
    summary.text += namedFiles("Converted, but with content left out:", tally.contentLost);
    summary.warning = true;
  }
  if (const std::string skipped = sources::describeSkippedFolders(tally.skippedFolders);
      !skipped.empty()) {
    summary.text += "\n" + skipped;
    summary.warning = summary.warning || sources::countUnreadable(tally.skippedFolders) > 0;
  }
  if (!tally.notRenamed.finalPath.empty()) {
    summary.text += "\nThe new store is complete, but its file could not be renamed to " +
                    tally.notRenamed.finalPath + ": " + tally.notRenamed.cause + ".";
    summary.warning = true;
  }
  if (tally.pstRemoved) {
    summary.text += "\nThe unfinished file was removed: " + tally.pstPath;
  } else if (!tally.pstPath.empty()) {
    summary.text += "\nSaved in: " + tally.pstPath;
  }
  return summary;
}

}  // namespace mailferry::store
