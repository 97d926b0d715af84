// The opening and the end that both conversion runs share: the output folder chosen by the
// user, a session, and a new PST store named after the run and the time, added under a
// display name; at the end the session logs off and the store is closed.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sources/ConversionWindow.h"
#include "store/Session.h"
#include "store/StoreError.h"
#include "store/StoreNames.h"

namespace mailferry::store {

struct TargetStore {
  std::string outputFolder;  // always ends in the path separator
  std::string pstPath;
  std::string storeDisplayName;
  std::string storeEntryId;
  std::unique_ptr<Session> session;
  std::optional<Store> store;
};

// The opening of a run. Returns nothing when the user cancels the folder dialog (no
// session, no file). Throws StoreError, with the cause, when the session or the store
// cannot be made; then no file is left behind, or, when the failure came after the file was
// made, a valid empty store. A time-stamped name that is taken already gets " (2)", " (3)"
// ... before ".pst", and the display name the same suffix: no file is ever overwritten.
std::optional<TargetStore> openTargetStore(sources::ConversionWindow& window, RunKind kind);

// The end of a run: yield, log off (the store is committed and closed), release.
void closeTargetStore(TargetStore& target, sources::ConversionWindow& window);

// Guards a window against a second run while one is in progress (a click on Convert during
// the yields of a run): entered() is false for the second guard of the same window.
class SingleRun {
 public:
  explicit SingleRun(const sources::ConversionWindow& window);
  ~SingleRun();
  SingleRun(const SingleRun&) = delete;
  SingleRun& operator=(const SingleRun&) = delete;
  bool entered() const { return entered_; }

 private:
  const sources::ConversionWindow* window_;
  bool entered_;
};

}  // namespace mailferry::store
