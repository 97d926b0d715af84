// The email conversion run: opening, the four phases (reading, preparing, creating folders,
// converting messages), the end steps and the closing message.
#include "email/EmailRun.h"

#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sources/Dialogs.h"
#include "sources/FsPath.h"
#include "sources/PathSeparator.h"
#include "sources/ReadAhead.h"
#include "sources/SourcePathPieces.h"
#include "sources/modMain.h"
#include "store/Folder.h"
#include "store/MAPIUtils.h"
#include "store/OpenMAPIFolder.h"
#include "store/OutlookErrorMessage.h"
#include "store/StoreError.h"
#include "store/TargetStore.h"

namespace mailferry::email {

namespace {

using sources::kPathSeparator;

constexpr pst::PropTag kPrMessageFlags = 0x0E070003;

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
  EmailRun(sources::ConversionWindow& window, store::TargetStore& target, EmailRunResult& result)
      : window_(window), target_(target), result_(result), folderList_(result.folderList) {}

  // Phase 1: the folder of every listed file, each once.
  void readFolders() {
    const int rows = window_.gridRows();
    folderList_.assign(static_cast<std::size_t>(rows) + 1, std::string());
    for (int r = 0; r < rows; ++r) {
      makeCurrent(r);
      window_.yield();
      const auto pieces = sources::splitSourcePath(window_.gridText(r, 0));
      const std::string folder = pieces.targetFolder.value_or(std::string());
      folderList_[static_cast<std::size_t>(r)] = folder;
      window_.setCurrentCaption("Reading File System Folders...   (" + folder + ")");
    }
    window_.yield();
    sources::modMain::QuickSort(folderList_, 0, rows - 1);
    window_.yield();
    sources::modMain::RemoveDuplicates(folderList_);
  }

  // Phase 2: every ancestor of every folder, so that each parent is made before its children.
  void prepareFolders() {
    const std::size_t count = folderList_.size();
    for (std::size_t j = 0; j < count; ++j) {
      const std::vector<std::string> names = splitNames(folderList_[j]);
      const std::size_t m = folderList_.size();
      folderList_.resize(m + names.size());
      window_.yield();
      for (std::size_t i = 0; i < names.size(); ++i) {
        std::string path;
        for (std::size_t n = 0; n <= i; ++n) {
          if (n > 0) path += kPathSeparator;
          path += names[n];
          window_.yield();
        }
        folderList_[m + i] = std::move(path);
      }
      window_.setCurrentCaption("Preparing Email Folders... (" + folderList_[j] + ")");
    }
    window_.yield();
    sources::modMain::QuickSort(folderList_, 0, static_cast<int>(folderList_.size()) - 1);
    sources::modMain::RemoveDuplicates(folderList_);
  }

  // Phase 3: each folder of the list in the new store. A folder that cannot be made is
  // skipped; its files then fail in phase 4.
  void createFolders() {
    for (const std::string& folder : folderList_) {
      window_.setCurrentCaption("Creating Outlook Folders... (" + folder + ")");
      try {
        createFolder(folder);
      } catch (...) {
        result_.folderFailures.push_back({folder, causeOf(std::current_exception())});
      }
    }
  }

  // Phase 4: every listed file as a message in its folder.
  void convertMessages() {
    const int rows = window_.gridRows();
    sources::ReadAhead readAhead(sources::listedFiles(window_));
    for (int r = 0; r < rows; ++r) {
      readAhead.reached(static_cast<std::size_t>(r));
      makeCurrent(r);
      window_.yield();
      const auto pieces = sources::splitSourcePath(window_.gridText(r, 0));
      // The empty list is one row with an empty cell: it names no file.
      if (!pieces.fullPath.empty()) convertFile(pieces);
      window_.setConvertEnabled(false);
      window_.setCurrentCaption("Converting Messages... from (" +
                                pieces.targetFolder.value_or(std::string()) + ")");
      window_.setProgressCaption(pieces.belowRoot.value_or(pieces.fullPath));
      const double percent = (r + 1.0) / rows * 100.0;
      window_.setProgressValue(static_cast<float>(percent));
    }
  }

 private:
  void makeCurrent(int row) {
    window_.setGridRow(row);
    window_.setGridCol(0);
  }

  void createFolder(const std::string& folder) {
    const std::vector<std::string> names = splitNames(folder);
    window_.yield();
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
      window_.yield();
      return;
    }
    const auto lastSeparator = folder.rfind(kPathSeparator);
    const std::string parentPath = folder.substr(0, lastSeparator);
    const std::string leaf = folder.substr(lastSeparator + 1);
    const std::optional<store::Folder> parent = store::OpenMAPIFolder(
        std::string(1, kPathSeparator) + target_.storeDisplayName + kPathSeparator + parentPath);
    window_.yield();
    if (!parent) throw store::StoreError("the folder " + parentPath + " was not found");
    parent->Folders().add(leaf, store::FolderList::kMailFolder);
    window_.yield();
  }

  void convertFile(const sources::SourcePathPieces& pieces) {
    try {
      if (!pieces.targetFolder) throw store::StoreError("not an absolute file path");
      const std::string storePath = std::string(2, kPathSeparator) + target_.storeDisplayName +
                                    kPathSeparator + *pieces.targetFolder;
      const store::Folder folder = target_.session->GetFolderFromPath(storePath);
      const auto item = folder.Items().add(store::ItemList::kMailItem);
      // A file that cannot be imported throws here, and its unsaved item leaves nothing.
      item->Import(sources::toFsPath(pieces.fullPath), store::Item::kRfc822Format);
      const int flags = kMsgFlagRead | (item->hasAttachments() ? kMsgFlagHasAttach : 0);
      store::MAPIUtils::HrSetOneProp(item->MAPIOBJECT(), kPrMessageFlags, flags, true);
      item->Save();
      ++result_.tally.converted;
    } catch (...) {
      // The import's own errors name the file already: keep only the cause.
      std::string cause = causeOf(std::current_exception());
      if (cause.starts_with(pieces.fullPath + ": ")) cause.erase(0, pieces.fullPath.size() + 2);
      result_.tally.failures.push_back({pieces.fullPath, std::move(cause)});
    }
  }

  sources::ConversionWindow& window_;
  store::TargetStore& target_;
  EmailRunResult& result_;
  std::vector<std::string>& folderList_;
};

}  // namespace

EmailRunResult CmdExtractDBX_Click(sources::ConversionWindow& window) {
  EmailRunResult result;
  const store::SingleRun guard(window);
  if (!guard.entered()) return result;

  std::optional<store::TargetStore> target;
  try {
    target = store::openTargetStore(window, store::RunKind::Email);
  } catch (...) {
    result.outcome = EmailRunResult::Outcome::StoreFailed;
    result.tally.storeError = causeOf(std::current_exception());
    store::showOutlookError(result.tally.storeError);
    return result;
  }
  if (!target) {
    result.outcome = EmailRunResult::Outcome::Cancelled;
    return result;
  }
  result.tally.pstPath = target->pstPath;
  result.tally.skippedFolders = window.skippedFolders().all();
  result.storeDisplayName = target->storeDisplayName;

  EmailRun run(window, *target, result);
  try {
    run.readFolders();
    run.prepareFolders();
  } catch (...) {
    // Nothing has been written into the store yet: it stays, valid and empty.
    result.outcome = EmailRunResult::Outcome::StoreFailed;
    result.tally.storeError = causeOf(std::current_exception());
    store::showOutlookError(result.tally.storeError);
    return result;
  }
  run.createFolders();
  run.convertMessages();

  try {
    store::closeTargetStore(*target, window);
    result.outcome = EmailRunResult::Outcome::Finished;
  } catch (...) {
    result.outcome = EmailRunResult::Outcome::StoreFailed;
    result.tally.storeError = causeOf(std::current_exception());
  }
  window.setConvertEnabled(true);
  store::showRunSummary(store::summarizeRun(result.tally, kMessageWords));
  return result;
}

}  // namespace mailferry::email
