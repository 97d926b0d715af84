// Opening and closing the target store of a run.
#include "store/TargetStore.h"

#include <filesystem>
#include <system_error>

#include "pst/ndb/Ids.h"
#include "sources/FsPath.h"
#include "sources/PathSeparator.h"
#include "store/Clock.h"

namespace mailferry::store {

namespace {

constexpr int kMaxNameSuffix = 1000;

std::string withSuffix(const std::string& text, int suffix) {
  return suffix <= 1 ? text : text + " (" + std::to_string(suffix) + ")";
}

}  // namespace

TargetStore openTargetStore(std::string folder, RunKind kind) {
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
  // overtaken by another run.
  for (int suffix = 1;; ++suffix) {
    if (suffix > kMaxNameSuffix) throw StoreError("no free file name for " + baseName + ".pst");
    std::string path = withSuffix(baseName, suffix) + ".pst";
    std::string displayName = withSuffix(displayNamePrefix(kind) + displayStamp, suffix);
    try {
      target.store = target.session->Stores().AddPSTStore(
          sources::toFsPath(path), StoreList::kDefaultStoreFormat, displayName);
    } catch (const StoreFileExists&) {
      continue;
    }
    target.pstPath = std::move(path);
    target.storeDisplayName = std::move(displayName);
    break;
  }
  target.pstFile = target.store->openStore()->file->fileIdentity();
  target.storeEntryId = target.store->EntryID();
  try {
    if (kind == RunKind::Contacts) target.store->ValidateIPMTree();
  } catch (...) {
    // A store without its default folders is no start for a run: it goes.
    try {
      closeTargetStore(target);
    } catch (...) {
    }
    pst::removeIfSameFile(sources::toFsPath(target.pstPath), target.pstFile);
    throw;
  }
  return target;
}

void closeTargetStore(TargetStore& target) {
  if (target.session && target.session->loggedOn()) target.session->Logoff();
  target.store.reset();
  target.session.reset();
}

void finishTargetStore(TargetStore& target, RunTally& tally) {
  try {
    closeTargetStore(target);
  } catch (const StoreError& error) {
    if (tally.storeError.empty()) tally.storeError = error.what();
    target.store.reset();
    target.session.reset();
    tally.pstRemoved = pst::removeIfSameFile(sources::toFsPath(target.pstPath), target.pstFile);
  }
}

bool removeRunFile(const RunTally& tally) {
  return !tally.pstPath.empty() &&
         pst::removeIfSameFile(sources::toFsPath(tally.pstPath), tally.pstFile);
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
