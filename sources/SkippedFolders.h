// The folders a folder search left out, with the reason: folders that could not be listed
// (a fault the run counts) and links to folders that were not followed (a note).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace mailferry::sources {

struct SkippedFolder {
  enum class Kind {
    Unreadable,      // the folder could not be opened or listed: files in it may be missing
    LinkNotFollowed  // a link back into folders the search covers already (a loop)
  };
  std::string path;
  std::string reason;
  Kind kind = Kind::Unreadable;
};

// Kept by each conversion window beside its list, and grown like it by every folder search.
class SkippedFolders {
 public:
  // Adds each folder not yet held (same path and kind), in the order given.
  void add(const std::vector<SkippedFolder>& folders);
  const std::vector<SkippedFolder>& all() const { return folders_; }

 private:
  std::vector<SkippedFolder> folders_;
};

// How many of them could not be listed (the links not followed are notes only).
std::size_t countUnreadable(const std::vector<SkippedFolder>& folders);

// How many of the skipped folders a message names; the rest are counted.
inline constexpr std::size_t kNamedSkippedFolders = 5;

// The lines that tell the user which folders were left out and why, one paragraph for the
// unreadable folders and one for the links; empty text when nothing was skipped.
std::string describeSkippedFolders(const std::vector<SkippedFolder>& folders);

}  // namespace mailferry::sources
