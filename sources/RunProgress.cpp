// The status texts of the steps of a run.
#include "sources/RunProgress.h"

namespace mailferry::sources {

std::string statusCaption(WindowKind kind, RunStep step, const std::string& folder) {
  switch (step) {
    case RunStep::ReadingFolders:
      return "Reading File System Folders...   (" + folder + ")";
    case RunStep::PreparingFolders:
      return "Preparing Email Folders... (" + folder + ")";
    case RunStep::CreatingFolders:
      return "Creating Outlook Folders... (" + folder + ")";
    case RunStep::Converting:
      break;
  }
  return (kind == WindowKind::Email ? "Converting Messages... from ("
                                    : "Converting Contacts... from (") +
         folder + ")";
}

}  // namespace mailferry::sources
