// The opening and the end that both conversion runs share: a session and a new PST store in
// the output folder, named after the run and the time, added under a display name; at the
// end the session logs off and the store is closed.
#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "pst/ndb/FileIdentity.h"
#include "store/RunSummary.h"
#include "store/Session.h"
#include "store/StoreError.h"
#include "store/StoreNames.h"

namespace mailferry::store {

struct TargetStore {
  std::string outputFolder;  // always ends in the path separator
  std::string pstPath;
  pst::FileIdentity pstFile;  // the file made under pstPath
  std::string storeDisplayName;
  std::string storeEntryId;
  std::unique_ptr<Session> session;
  std::optional<Store> store;
};

// The opening of a run in `outputFolder` (a separator is added when it has none). Throws
// StoreError, with the cause, when the session or the store cannot be made; then no file is
// left behind. A time-stamped name that is taken already gets " (2)", " (3)" ... before ".pst", and
// the display name the same suffix: the file is created exclusively, so no file is ever overwritten
// and two runs starting together never pick the same name.
TargetStore openTargetStore(std::string outputFolder, RunKind kind);

// The end of a run: log off (the store is committed and closed), release.
void closeTargetStore(TargetStore& target);

// The end of a run that tells its tally how it went: when the store cannot be closed, its
// unfinished file is removed and the tally says why (a cause found earlier is kept).
void finishTargetStore(TargetStore& target, RunTally& tally);

// Removes the run's file when its path still names the file the run made (never another
// program's file that took the name since); returns whether it did.
bool removeRunFile(const RunTally& tally);

// The cause a run shows for an error that means the PST file itself failed, or nothing when
// the error is about one source file only.
std::optional<std::string> storeFailureCause(std::exception_ptr error);

}  // namespace mailferry::store
