// The one message that closes an email run: how many files became messages, how many did
// not, and the first of those with their cause.
#include <algorithm>
#include <cstddef>
#include <string>

#include "email/EmailRun.h"

namespace mailferry::email {

namespace {

std::string counted(std::size_t count, const char* singular, const char* plural) {
  return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

}  // namespace

RunSummary summarizeRun(const EmailRunResult& result) {
  RunSummary summary;
  const std::size_t converted = static_cast<std::size_t>(result.converted);
  const std::size_t failed = result.failures.size();
  if (result.outcome == EmailRunResult::Outcome::StoreFailed) {
    summary.warning = true;
    summary.text = "The new store could not be finished: " + result.storeError + "\n";
  }
  if (converted == 0 && failed > 0) {
    summary.warning = true;
    summary.text += "No message was converted: " +
                    (failed == 1 ? std::string("the one file failed.")
                                 : "all " + std::to_string(failed) + " files failed.");
  } else if (converted == 0) {
    summary.warning = true;
    summary.text += "No message was converted: the list holds no file.";
  } else {
    summary.text += counted(converted, "message", "messages") + " converted, " +
                    std::to_string(failed) + " failed.";
    summary.warning = summary.warning || failed > 0;
  }
  if (failed > 0) {
    summary.text += "\nNot converted:";
    const std::size_t named = std::min<std::size_t>(failed, kNamedFailures);
    for (std::size_t i = 0; i < named; ++i) {
      summary.text += "\n" + result.failures[i].path + ": " + result.failures[i].cause;
    }
    if (failed > named) summary.text += "\n... and " + std::to_string(failed - named) + " more.";
  }
  if (!result.pstPath.empty()) summary.text += "\nSaved in: " + result.pstPath;
  return summary;
}

}  // namespace mailferry::email
