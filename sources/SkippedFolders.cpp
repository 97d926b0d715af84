// The folders a folder search left out, and the text that names them.
#include "sources/SkippedFolders.h"

#include <algorithm>

namespace mailferry::sources {

namespace {

std::string paragraph(const std::vector<SkippedFolder>& folders, SkippedFolder::Kind kind,
                      const char* one, const char* many) {
  std::vector<const SkippedFolder*> chosen;
  for (const SkippedFolder& folder : folders) {
    if (folder.kind == kind) chosen.push_back(&folder);
  }
  if (chosen.empty()) return {};
  std::string text = std::to_string(chosen.size()) + (chosen.size() == 1 ? one : many);
  const std::size_t named = std::min(chosen.size(), kNamedSkippedFolders);
  for (std::size_t i = 0; i < named; ++i) {
    text += "\n" + chosen[i]->path + ": " + chosen[i]->reason;
  }
  if (chosen.size() > named)
    text += "\n... and " + std::to_string(chosen.size() - named) + " more.";
  return text;
}

}  // namespace

void SkippedFolders::add(const std::vector<SkippedFolder>& folders) {
  for (const SkippedFolder& folder : folders) {
    const bool held = std::any_of(folders_.begin(), folders_.end(), [&](const SkippedFolder& f) {
      return f.kind == folder.kind && f.path == folder.path;
    });
    if (!held) folders_.push_back(folder);
  }
}

std::size_t countUnreadable(const std::vector<SkippedFolder>& folders) {
  return static_cast<std::size_t>(std::count_if(
      folders.begin(), folders.end(),
      [](const SkippedFolder& folder) { return folder.kind == SkippedFolder::Kind::Unreadable; }));
}

std::string describeSkippedFolders(const std::vector<SkippedFolder>& folders) {
  const std::string unreadable =
      paragraph(folders, SkippedFolder::Kind::Unreadable,
                " folder could not be searched:", " folders could not be searched:");
  const std::string links = paragraph(folders, SkippedFolder::Kind::LinkNotFollowed,
                                      " link was not followed:", " links were not followed:");
  if (unreadable.empty() || links.empty()) return unreadable + links;
  return unreadable + "\n" + links;
}

}  // namespace mailferry::sources
