// The contacts conversion run.
#include "contacts/ContactsRun.h"

#include "contacts/ContactFile.h"
#include "contacts/CreateContactItem.h"
#include "sources/FsPath.h"
#include "sources/ReadAhead.h"
#include "sources/SourcePathPieces.h"
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

// Every listed file as a contact, in list order. A bad file is reported and skipped; a
// failure of the PST file itself is thrown.
void convertFiles(const sources::RunRequest& request, store::TargetStore& target,
                  sources::RunProgress& progress, store::RunTally& tally) {
  sources::ReadAhead readAhead(sources::packedPaths(request.files));
  for (std::size_t index = 0; index < request.files.size(); ++index) {
    if (progress.stopRequested()) {
      tally.stopped = true;
      return;
    }
    readAhead.reached(index);
    progress.fileStarted(index);
    progress.yield();

    const auto pieces = sources::splitSourcePath(request.files[index]);
    const RowTexts texts = rowTexts(pieces);
    const sources::FileReport report{index, pieces.fullPath, texts.folder, texts.afterDrive};
    std::optional<std::string> failure;
    try {
      ContactRecord record = readContactFile(sources::toFsPath(pieces.fullPath));
      trimTextFields(record);
      failure = CreateContactItem(*target.session, target.storeEntryId, kContactsFolder, record);
    } catch (const ContactFileError& error) {
      failure = error.reason();
    }
    if (failure) {
      tally.failures.push_back({pieces.fullPath, *failure});
      progress.fileFailed(report, *failure);
    } else {
      ++tally.converted;
      progress.fileConverted(report);
    }
  }
}

}  // namespace

ContactsRunResult convertContacts(const sources::RunRequest& request,
                                  sources::RunProgress& progress) {
  ContactsRunResult result;
  store::TargetStore target;
  try {
    target = store::openTargetStore(request.outputFolder, store::RunKind::Contacts,
                                    request.commitInterval);
  } catch (const store::StoreError& error) {
    result.outcome = ContactsRunResult::Outcome::StoreFailed;
    result.tally.storeError = error.what();
    progress.finished();
    return result;
  }
  result.storeDisplayName = target.storeDisplayName;
  result.tally.pstPath = target.pstPath;
  result.tally.skippedFolders = request.skippedFolders;
  progress.started(target.pstPath, request.files.size());

  try {
    convertFiles(request, target, progress, result.tally);
  } catch (...) {
    // The PST file failed: no later file could fare better.
    const auto cause = store::storeFailureCause(std::current_exception());
    if (!cause) throw;
    result.tally.storeError = *cause;
  }

  progress.yield();
  store::finishTargetStore(target, result.tally);
  result.outcome = ContactsRunResult::Outcome::Finished;
  progress.finished();
  return result;
}

}  // namespace mailferry::contacts
