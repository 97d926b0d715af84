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
  for (int suffix = 1;; ++suffix) {
    if (suffix > kMaxNameSuffix) throw StoreError("no free file name for " + baseName + ".pst");
    std::string path = withSuffix(baseName, suffix) + ".pst";
    if (std::filesystem::exists(sources::toFsPath(path), ec)) continue;
    target.pstPath = path;
    target.storeDisplayName = withSuffix(displayNamePrefix(kind) + displayStamp, suffix);
    break;
  }

  Store store = target.session->Stores().AddPSTStore(
      sources::toFsPath(target.pstPath), StoreList::kDefaultStoreFormat, target.storeDisplayName);
  target.store = store;
  target.storeEntryId = store.EntryID();
  if (kind == RunKind::Contacts) target.store->ValidateIPMTree();
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
    std::error_code ec;
    std::filesystem::remove(sources::toFsPath(target.pstPath), ec);
    tally.pstRemoved = true;
  }
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
