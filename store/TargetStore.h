// The opening and the end that both conversion runs share: a session and a new PST store in
// the output folder, named after the run and the time, added under a display name; at the
// end the session logs off and the store is closed.
#pragma once

#include <chrono>
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
  // The name the file takes when the run closes it ("Kestrolin6.12.26 1.30.12.pst") ...
  std::string pstPath;
  // ... and the name it has until then ("Kestrolin6.12.26 1.30.12 (incomplete).pst"); empty
  // once it is closed. A run that dies (killed, a power cut) leaves its file under this name,
  // holding what was committed up to a few seconds before, so that nobody takes the file for
  // a finished one. (A file that kept its final name from the start would look finished;
  // see docs/ARCHITECTURE.md, "A run that dies".)
  std::string workingPath;
  pst::FileIdentity pstFile;  // the file made under workingPath
  std::string nameBase;       // pstPath before its " (n)" and ".pst"
  int nameSuffix = 1;
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
// commitInterval, when given, replaces the engine's default time between commits.
TargetStore openTargetStore(std::string outputFolder, RunKind kind,
                            std::optional<std::chrono::milliseconds> commitInterval = {});

// The end of a run: log off (the store is committed and closed), release, and give the file
// its final name (pstPath; a later " (n)" when another program took that name meanwhile).
// Throws StoreError when the store cannot be closed (the file is unfinished), and
// StoreNotRenamed when the complete file cannot take its final name (a refusal that may pass,
// such as another program holding the file open, is tried again for about 1.5 seconds
// first): it then keeps workingPath.
void closeTargetStore(TargetStore& target);

// The end of a run that tells its tally how it went: the final name; or, when the complete
// file cannot be renamed, the name it keeps and why; or, when the store cannot be closed,
// its unfinished file is removed and the tally says why (a cause found earlier is kept).
void finishTargetStore(TargetStore& target, RunTally& tally);

// The end of a run that keeps nothing: the file is closed and removed, only while its name
// still leads to the file this run made (never another program's file that took the name
// since). Returns whether it was removed.
bool discardTargetStore(TargetStore& target);

// The cause a run shows for an error that means the PST file itself failed, or nothing when
// the error is about one source file only.
std::optional<std::string> storeFailureCause(std::exception_ptr error);

}  // namespace mailferry::store
