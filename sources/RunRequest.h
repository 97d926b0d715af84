// What a front end asks a conversion run to do: the kind of files, the listed source paths in
// list order, the folder the new PST file goes into, and what the search left out.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "sources/ConversionWindow.h"
#include "sources/SkippedFolders.h"

namespace mailferry::sources {

struct RunRequest {
  WindowKind kind = WindowKind::Email;
  std::vector<std::string> files;
  std::string outputFolder;
  // The folders the searches that made the list left out: the run's summary counts them.
  std::vector<SkippedFolder> skippedFolders;
  // How long after its last commit the store commits on its own; empty: the engine's default
  // (pst::CommitPolicy), zero: only by the number of items and bytes.
  std::optional<std::chrono::milliseconds> commitInterval;
};

}  // namespace mailferry::sources
