// Opening and closing the target store of a run.
#include "store/TargetStore.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

#include "pst/ndb/Ids.h"
#include "sources/FsPath.h"
#include "sources/PathSeparator.h"
#include "store/Clock.h"

namespace mailferry::store {

namespace {

constexpr int kMaxNameSuffix = 1000;

// The end of the name a file has while its run writes it.
constexpr const char* kIncompleteEnding = " (incomplete).pst";

std::string withSuffix(const std::string& text, int suffix) {
  return suffix <= 1 ? text : text + " (" + std::to_string(suffix) + ")";
}

// A virus scanner or the search indexer that opens the new file may keep it from being
// renamed for a moment: such a failure is tried again after each of these pauses (about
// 1.5 seconds in all) before the file keeps its working name.
constexpr std::array<std::chrono::milliseconds, 5> kRenamePauses{
    std::chrono::milliseconds(50), std::chrono::milliseconds(100), std::chrono::milliseconds(200),
    std::chrono::milliseconds(400), std::chrono::milliseconds(800)};

void renameWithRetries(const std::string& from, const std::string& to,
                       const pst::FileIdentity& file) {
  for (std::size_t attempt = 0;; ++attempt) {
    try {
      pst::renameIfSameFile(sources::toFsPath(from), sources::toFsPath(to), file);
      return;
    } catch (const pst::PstError& error) {
      if (!error.isTransient() || attempt == kRenamePauses.size()) throw;
    }
    std::this_thread::sleep_for(kRenamePauses[attempt]);
  }
}

}  // namespace

TargetStore openTargetStore(std::string folder, RunKind kind,
                            std::optional<std::chrono::milliseconds> commitInterval) {
  if (folder.empty() || folder.back() != sources::kPathSeparator) folder += sources::kPathSeparator;

  TargetStore target;
  target.outputFolder = folder;
  target.session = std::make_unique<Session>();
  target.session->Logon();

  // The clock is read once for the file name and once for the display name, so the two may
  // differ by a second.
  const std::string fileStamp = timeStamp(clock()());
  const std::string displayStamp = timeStamp(clock()());
  const std::string baseName = folder + pstBaseName(kind) + fileStamp;

  std::error_code ec;
  if (!std::filesystem::is_directory(sources::toFsPath(folder), ec)) {
    throw StoreError("the output folder " + folder + " does not exist or is no folder");
  }
  // The exclusive create decides whether a name is free: a check before it could be
  // overtaken by another run. (The check for a finished file of the name only saves a
  // rename that would fail at the end.)
  target.nameBase = baseName;
  pst::CommitPolicy policy;
  if (commitInterval) policy.interval = *commitInterval;
  for (int suffix = 1;; ++suffix) {
    if (suffix > kMaxNameSuffix) throw StoreError("no free file name for " + baseName + ".pst");
    const std::string name = withSuffix(baseName, suffix);
    if (std::filesystem::exists(sources::toFsPath(name + ".pst"), ec)) continue;
    std::string displayName = withSuffix(displayNamePrefix(kind) + displayStamp, suffix);
    try {
      target.store =
          target.session->Stores().AddPSTStore(sources::toFsPath(name + kIncompleteEnding),
                                               StoreList::kDefaultStoreFormat, displayName, policy);
    } catch (const StoreFileExists&) {
      continue;
    }
    target.pstPath = name + ".pst";
    target.workingPath = name + kIncompleteEnding;
    target.nameSuffix = suffix;
    target.storeDisplayName = std::move(displayName);
    break;
  }
  target.pstFile = target.store->openStore()->file->fileIdentity();
  target.storeEntryId = target.store->EntryID();
  try {
    if (kind == RunKind::Contacts) target.store->ValidateIPMTree();
  } catch (...) {
    // A store without its default folders is no start for a run: it goes.
    discardTargetStore(target);
    throw;
  }
  return target;
}

void closeTargetStore(TargetStore& target) {
  if (target.session && target.session->loggedOn()) target.session->Logoff();
  // Released first: Windows renames no file that is still open.
  target.store.reset();
  target.session.reset();
  if (target.workingPath.empty()) return;
  // The file is complete from here on: whatever befalls the rename, it stays.
  // The finished file takes its name without replacing any: should another program have
  // taken the name meanwhile, the next " (n)" one.
  for (int suffix = target.nameSuffix; suffix <= kMaxNameSuffix; ++suffix) {
    const std::string name = withSuffix(target.nameBase, suffix) + ".pst";
    try {
      renameWithRetries(target.workingPath, name, target.pstFile);
    } catch (const pst::PstError& error) {
      if (error.isExists()) continue;
      throw StoreNotRenamed(name, StoreFailure(error).what());
    }
    target.pstPath = name;
    target.workingPath.clear();
    return;
  }
  throw StoreNotRenamed(target.pstPath, "no free file name for " + target.nameBase + ".pst");
}

void finishTargetStore(TargetStore& target, RunTally& tally) {
  try {
    closeTargetStore(target);
    tally.pstPath = target.pstPath;
  } catch (const StoreNotRenamed& error) {
    tally.pstPath = target.workingPath;
    tally.notRenamed = {error.finalPath(), error.what()};
  } catch (const StoreError& error) {
    if (tally.storeError.empty()) tally.storeError = error.what();
    tally.pstRemoved = discardTargetStore(target);
  }
}

bool discardTargetStore(TargetStore& target) {
  try {
    if (target.session && target.session->loggedOn()) target.session->Logoff();
  } catch (const StoreError&) {
    // The file goes whatever its state.
  }
  target.store.reset();
  target.session.reset();
  return !target.workingPath.empty() &&
         pst::removeIfSameFile(sources::toFsPath(target.workingPath), target.pstFile);
}

std::optional<std::string> storeFailureCause(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const StoreFailure& failure) {
    return failure.what();
  } catch (const pst::PstError& failure) {
    return StoreFailure(failure).what();
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace mailferry::store
