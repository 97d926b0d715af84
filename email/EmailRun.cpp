// The email conversion run: opening, the four phases (reading, preparing, creating folders,
// converting messages), the end steps and the closing message.
#include "email/EmailRun.h"

#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pst/KnownTags.h"
#include "sources/FsPath.h"
#include "sources/PathSeparator.h"
#include "sources/ReadAhead.h"
#include "sources/RunProgress.h"
#include "sources/SourcePathPieces.h"
#include "sources/modMain.h"
#include "store/Folder.h"
#include "store/MAPIUtils.h"
#include "store/OpenMAPIFolder.h"
#include "store/StoreError.h"
#include "store/TargetStore.h"

namespace mailferry::email {

namespace {

using sources::kPathSeparator;

std::vector<std::string> splitNames(const std::string& folderPath) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (;;) {
    const auto next = folderPath.find(kPathSeparator, start);
    names.push_back(folderPath.substr(start, next == std::string::npos ? next : next - start));
    if (next == std::string::npos) return names;
    start = next + 1;
  }
}

std::string causeOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

class EmailRun {
 public:
  EmailRun(const std::vector<std::string>& files, sources::RunProgress& progress,
           store::TargetStore& target, EmailRunResult& result)
      : files_(files),
        progress_(progress),
        target_(target),
        result_(result),
        folderList_(result.folderList) {}

  // Phase 1: the folder of every listed file, each once.
  void readFolders() {
    const int rows = static_cast<int>(files_.size());
    folderList_.assign(files_.size() + 1, std::string());
    for (int r = 0; r < rows; ++r) {
      progress_.yield();
      const auto pieces = sources::splitSourcePath(files_[static_cast<std::size_t>(r)]);
      const std::string folder = pieces.targetFolder.value_or(std::string());
      folderList_[static_cast<std::size_t>(r)] = folder;
      progress_.stepAt(sources::RunStep::ReadingFolders, folder, r);
    }
    progress_.yield();
    sources::modMain::QuickSort(folderList_, 0, rows - 1);
    progress_.yield();
    sources::modMain::RemoveDuplicates(folderList_);
  }

  // Phase 2: every ancestor of every folder, so that each parent is made before its children.
  void prepareFolders() {
    const std::size_t count = folderList_.size();
    for (std::size_t j = 0; j < count; ++j) {
      const std::vector<std::string> names = splitNames(folderList_[j]);
      const std::size_t m = folderList_.size();
      folderList_.resize(m + names.size());
      progress_.yield();
      for (std::size_t i = 0; i < names.size(); ++i) {
        std::string path;
        for (std::size_t n = 0; n <= i; ++n) {
          if (n > 0) path += kPathSeparator;
          path += names[n];
          progress_.yield();
        }
        folderList_[m + i] = std::move(path);
      }
      progress_.stepAt(sources::RunStep::PreparingFolders, folderList_[j], -1);
    }
    progress_.yield();
    sources::modMain::QuickSort(folderList_, 0, static_cast<int>(folderList_.size()) - 1);
    sources::modMain::RemoveDuplicates(folderList_);
  }

  // Phase 3: each folder of the list in the new store. A folder that cannot be made is
  // skipped; its files then fail in phase 4.
  void createFolders() {
    for (const std::string& folder : folderList_) {
      progress_.stepAt(sources::RunStep::CreatingFolders, folder, -1);
      try {
        createFolder(folder);
      } catch (...) {
        if (store::storeFailureCause(std::current_exception())) throw;  // the run stops
        result_.folderFailures.push_back({folder, causeOf(std::current_exception())});
      }
    }
  }

  // Phase 4: every listed file as a message in its folder.
  void convertMessages() {
    sources::ReadAhead readAhead(sources::packedPaths(files_));
    for (std::size_t r = 0; r < files_.size(); ++r) {
      if (progress_.stopRequested()) {
        result_.tally.stopped = true;
        return;
      }
      readAhead.reached(r);
      progress_.fileStarted(r);
      progress_.yield();
      const auto pieces = sources::splitSourcePath(files_[r]);
      const sources::FileReport report{r, pieces.fullPath,
                                       pieces.targetFolder.value_or(std::string()),
                                       pieces.belowRoot.value_or(pieces.fullPath)};
      if (std::optional<std::string> failure = convertFile(pieces)) {
        result_.tally.failures.push_back({pieces.fullPath, *failure});
        progress_.fileFailed(report, *failure);
      } else {
        ++result_.tally.converted;
        progress_.fileConverted(report);
      }
    }
  }

 private:
  void createFolder(const std::string& folder) {
    const std::vector<std::string> names = splitNames(folder);
    progress_.yield();
    if (names.size() == 1) {
      // A top-level folder that exists already is kept (ordinal, case-sensitive match).
      std::string found;
      {
        const store::Store storeOfPass =
            target_.session->Stores().GetStoreFromID(target_.storeEntryId);
        store::FolderList topFolders = storeOfPass.IPMRootFolder().Folders();
        for (const store::Folder& existing : topFolders) {
          if (existing.Name() == folder) found = existing.Name();
        }
        if (found.empty()) topFolders.add(folder, store::FolderList::kMailFolder);
      }
      progress_.yield();
      return;
    }
    const auto lastSeparator = folder.rfind(kPathSeparator);
    const std::string parentPath = folder.substr(0, lastSeparator);
    const std::string leaf = folder.substr(lastSeparator + 1);
    const std::optional<store::Folder> parent = store::OpenMAPIFolder(
        std::string(1, kPathSeparator) + target_.storeDisplayName + kPathSeparator + parentPath);
    progress_.yield();
    if (!parent) throw store::StoreError("the folder " + parentPath + " was not found");
    parent->Folders().add(leaf, store::FolderList::kMailFolder);
    progress_.yield();
  }

  // Nothing when the file became a message, else why it did not.
  std::optional<std::string> convertFile(const sources::SourcePathPieces& pieces) {
    try {
      if (!pieces.targetFolder) throw store::StoreError("not an absolute file path");
      const std::string storePath = std::string(2, kPathSeparator) + target_.storeDisplayName +
                                    kPathSeparator + *pieces.targetFolder;
      const store::Folder folder = target_.session->GetFolderFromPath(storePath);
      const auto item = folder.Items().add(store::ItemList::kMailItem);
      // A file that cannot be imported throws here, and its unsaved item leaves nothing.
      item->Import(sources::toFsPath(pieces.fullPath), store::Item::kRfc822Format);
      const int flags = kMsgFlagRead | (item->hasAttachments() ? kMsgFlagHasAttach : 0);
      store::MAPIUtils::HrSetOneProp(item->MAPIOBJECT(), pst::tags::kMessageFlags, flags, true);
      item->Save();
      if (!item->contentLost().empty()) {
        std::string lost;
        for (const std::string& what : item->contentLost())
          lost += (lost.empty() ? "" : "; ") + what;
        result_.tally.contentLost.push_back({pieces.fullPath, lost});
      }
      return std::nullopt;
    } catch (...) {
      if (store::storeFailureCause(std::current_exception())) throw;  // the run stops
      // The import's own errors name the file already: keep only the cause.
      std::string cause = causeOf(std::current_exception());
      if (cause.starts_with(pieces.fullPath + ": ")) cause.erase(0, pieces.fullPath.size() + 2);
      return cause;
    }
  }

  const std::vector<std::string>& files_;
  sources::RunProgress& progress_;
  store::TargetStore& target_;
  EmailRunResult& result_;
  std::vector<std::string>& folderList_;
};

}  // namespace

EmailRunResult convertEmails(const sources::RunRequest& request, sources::RunProgress& progress) {
  EmailRunResult result;
  store::TargetStore target;
  try {
    target =
        store::openTargetStore(request.outputFolder, store::RunKind::Email, request.commitInterval);
  } catch (...) {
    result.outcome = EmailRunResult::Outcome::StoreFailed;
    result.tally.storeError = causeOf(std::current_exception());
    progress.finished();
    return result;
  }
  result.tally.pstPath = target.pstPath;
  result.tally.skippedFolders = request.skippedFolders;
  result.storeDisplayName = target.storeDisplayName;
  progress.started(target.pstPath, request.files.size());

  EmailRun run(request.files, progress, target, result);
  try {
    run.readFolders();
    run.prepareFolders();
  } catch (...) {
    // Nothing has been written into the store yet: it goes.
    store::discardTargetStore(target);
    result.outcome = EmailRunResult::Outcome::StoreFailed;
    result.tally.storeError = causeOf(std::current_exception());
    progress.finished();
    return result;
  }
  try {
    run.createFolders();
    run.convertMessages();
  } catch (...) {
    // The PST file failed: no later file could fare better.
    const auto cause = store::storeFailureCause(std::current_exception());
    if (!cause) throw;
    result.tally.storeError = *cause;
  }

  result.outcome = EmailRunResult::Outcome::Finished;
  progress.yield();
  store::finishTargetStore(target, result.tally);
  progress.finished();
  return result;
}

}  // namespace mailferry::email
