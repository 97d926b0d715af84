// Cutting a listed path into the pieces the conversion runs use.
#include "sources/SourcePathPieces.h"

#include "sources/PathSeparator.h"
#include "sources/Text.h"
#include "sources/registry.h"

namespace mailferry::sources {

namespace {

std::optional<std::string> afterDriveOf(const std::string& fullPath) {
#ifdef _WIN32
  // The second piece of the path split at every ":".
  const auto colon = fullPath.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto next = fullPath.find(':', colon + 1);
  return fullPath.substr(colon + 1,
                         next == std::string::npos ? std::string::npos : next - colon - 1);
#else
  // Without drives, the absolute path below the root plays the part of the path after one.
  if (fullPath.empty() || fullPath.front() != kPathSeparator) return std::nullopt;
  return fullPath;
#endif
}

}  // namespace

SourcePathPieces splitSourcePath(const std::string& cellText) {
  SourcePathPieces pieces;
  pieces.fullPath = trimSpaces(cellText);
  pieces.afterDrive = afterDriveOf(pieces.fullPath);
  if (!pieces.afterDrive) return pieces;
  const std::string trimmed = trimSpaces(*pieces.afterDrive);
  const std::string belowRoot = trimmed.empty() ? std::string() : trimmed.substr(1);
  const std::string parent = registry::GetParentPath(belowRoot);
  if (!parent.empty()) pieces.folder = parent.substr(0, parent.size() - 1);
  return pieces;
}

}  // namespace mailferry::sources
