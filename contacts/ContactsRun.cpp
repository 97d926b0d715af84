// The contacts conversion run.
#include "contacts/ContactsRun.h"

#include "contacts/ContactFile.h"
#include "contacts/CreateContactItem.h"
#include "sources/FsPath.h"
#include "sources/ReadAhead.h"
#include "sources/SourcePathPieces.h"
#include "store/OutlookErrorMessage.h"
#include "store/TargetStore.h"

namespace mailferry::contacts {

namespace {

// The texts the labels show for a listed path: the path after the drive (A) and the folder
// it lies in (B). A network path has no drive: its share plays the drive's part.
struct RowTexts {
  std::string afterDrive;
  std::string folder;
};

RowTexts rowTexts(const sources::SourcePathPieces& pieces) {
  if (pieces.afterDrive) return {*pieces.afterDrive, pieces.folder.value_or("")};
  return {pieces.belowRoot.value_or(pieces.fullPath), pieces.targetFolder.value_or("")};
}

}  // namespace

ContactsRunResult CmdExtractDBX_Click(sources::ConversionWindow& window) {
  ContactsRunResult result;
  store::SingleRun guard(window);
  if (!guard.entered()) return result;

  std::optional<store::TargetStore> target;
  try {
    target = store::openTargetStore(window, store::RunKind::Contacts);
  } catch (const store::StoreError& error) {
    result.outcome = ContactsRunResult::Outcome::StoreFailed;
    result.tally.storeError = error.what();
    store::showOutlookError(error.what());
    return result;
  }
  if (!target) {
    result.outcome = ContactsRunResult::Outcome::Cancelled;
    return result;
  }
  result.storeDisplayName = target->storeDisplayName;
  result.tally.pstPath = target->pstPath;
  result.tally.skippedFolders = window.skippedFolders().all();

  const int rows = window.gridRows();
  sources::ReadAhead readAhead(sources::listedFiles(window));
  for (int row = 0; row < rows; ++row) {
    readAhead.reached(static_cast<std::size_t>(row));
    window.setGridRow(row);
    window.setGridCol(0);
    window.yield();

    const auto pieces = sources::splitSourcePath(window.gridText(row, 0));
    const RowTexts texts = rowTexts(pieces);
    if (!pieces.fullPath.empty()) {
      try {
        ContactRecord record = readContactFile(sources::toFsPath(pieces.fullPath));
        trimTextFields(record);
        if (auto failure = CreateContactItem(*target->session, target->storeEntryId,
                                             kContactsFolder, record)) {
          result.tally.failures.push_back({pieces.fullPath, *failure});
        } else {
          ++result.tally.converted;
        }
      } catch (const ContactFileError& error) {
        result.tally.failures.push_back({pieces.fullPath, error.reason()});
      }
    }

    window.setConvertEnabled(false);
    window.setCurrentCaption("Converting Contacts... from (" + texts.folder + ")");
    window.setProgressCaption(texts.afterDrive);
    window.setProgressValue(static_cast<float>((row + 1) / static_cast<double>(rows) * 100.0));
  }

  try {
    store::closeTargetStore(*target, window);
  } catch (const store::StoreError& error) {
    result.tally.storeError = error.what();
  }
  window.setConvertEnabled(true);
  result.outcome = ContactsRunResult::Outcome::Finished;
  store::showRunSummary(store::summarizeRun(result.tally, kContactWords));
  return result;
}

}  // namespace mailferry::contacts
