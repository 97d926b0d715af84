// The Convert command of a conversion window.
#include "app/WindowConversion.h"

#include <set>
#include <string>
#include <utility>

#include "contacts/ContactsRun.h"
#include "email/EmailRun.h"
#include "sources/Dialogs.h"
#include "sources/RunRequest.h"
#include "sources/WindowProgress.h"
#include "sources/registry.h"
#include "store/StoreCreationError.h"

namespace mailferry::app {

namespace {

std::set<const sources::ConversionWindow*>& runningWindows() {
  static std::set<const sources::ConversionWindow*> windows;
  return windows;
}

}  // namespace

store::RunResult convertListedFiles(sources::ConversionWindow& window,
                                    std::function<bool()> stopRequested) {
  using Outcome = store::RunResult::Outcome;
  store::RunResult result;
  const SingleRun guard(window);
  if (!guard.entered()) return result;

  window.yield();
  const std::string folder = sources::registry::BrowseForFolder(
      window.owner(), "", "Please select a folder:", false, false);
  window.yield();
  if (folder.empty()) {
    result.outcome = Outcome::Cancelled;
    return result;
  }
  window.yield();
  window.setProgressMin(0);
  window.setProgressMax(100);
  window.yield();

  const bool email = window.kind() == sources::WindowKind::Email;
  const sources::RunRequest request{
      window.kind(), window.listed(), folder, window.skippedFolders().all(), {}};
  sources::WindowProgress progress(window, std::move(stopRequested));
  result = email ? email::convertEmails(request, progress)
                 : contacts::convertContacts(request, progress);

  auto& dialogs = sources::dialogs();
  if (result.outcome == Outcome::StoreFailed) {
    dialogs.messageBox(store::storeCreationErrorText(result.tally.storeError),
                       std::string(sources::kApplicationTitle), sources::MessageIcon::Exclamation);
    return result;
  }
  window.setConvertEnabled(true);
  const store::RunSummary summary =
      store::summarizeRun(result.tally, email ? email::kMessageWords : contacts::kContactWords);
  dialogs.messageBox(
      summary.text, std::string(sources::kApplicationTitle),
      summary.warning ? sources::MessageIcon::Exclamation : sources::MessageIcon::Information);
  return result;
}

SingleRun::SingleRun(const sources::ConversionWindow& window)
    : window_(&window), entered_(runningWindows().insert(&window).second) {}

SingleRun::~SingleRun() {
  if (entered_) runningWindows().erase(window_);
}

}  // namespace mailferry::app
