// Cutting a listed path into the pieces the conversion runs use.
#include "sources/SourcePathPieces.h"

#include "sources/Text.h"

namespace mailferry::sources {

namespace {

char separatorOf(PathStyle style) {
  return style == PathStyle::Windows ? '\\' : '/';
}

// Where a path stands below its root, and the root's name.
struct RootedPath {
  std::string belowRoot;  // begins with the separator
  std::string rootName;
};

std::optional<RootedPath> rootedWindowsPath(const std::string& fullPath) {
  const auto colon = fullPath.find(':');
  if (colon != std::string::npos) {
    return RootedPath{fullPath.substr(colon + 1), trimSpaces(fullPath.substr(0, colon))};
  }
  // A network path: "\\server\share" stands where a drive would.
  if (!fullPath.starts_with("\\\\")) return std::nullopt;
  const auto shareStart = fullPath.find('\\', 2);
  if (shareStart == std::string::npos || shareStart == 2) return std::nullopt;
  const auto shareEnd = fullPath.find('\\', shareStart + 1);
  if (shareEnd == std::string::npos || shareEnd == shareStart + 1) return std::nullopt;
  return RootedPath{fullPath.substr(shareEnd),
                    fullPath.substr(shareStart + 1, shareEnd - shareStart - 1)};
}

std::optional<std::string> afterDriveOf(const std::string& fullPath, PathStyle style) {
  if (style == PathStyle::Windows) {
    // The second piece of the path split at every ":".
    const auto colon = fullPath.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const auto next = fullPath.find(':', colon + 1);
    return fullPath.substr(colon + 1,
                           next == std::string::npos ? std::string::npos : next - colon - 1);
  }
  // Without drives, the absolute path below the root plays the part of the path after one.
  if (fullPath.empty() || fullPath.front() != '/') return std::nullopt;
  return fullPath;
}

// The folder text of a path below its root: without the leading separator, cut after the
// last separator, and without that one. Absent for a file directly in the root.
std::optional<std::string> folderTextOf(const std::string& belowRoot, char separator) {
  const std::string trimmed = trimSpaces(belowRoot);
  const std::string rest = trimmed.empty() ? std::string() : trimmed.substr(1);
  const auto last = rest.rfind(separator);
  if (last == std::string::npos) return std::nullopt;
  return rest.substr(0, last);
}

}  // namespace

SourcePathPieces splitSourcePath(const std::string& cellText) {
  return splitSourcePath(cellText, kNativePathStyle);
}

SourcePathPieces splitSourcePath(const std::string& cellText, PathStyle style) {
  const char separator = separatorOf(style);
  SourcePathPieces pieces;
  pieces.fullPath = trimSpaces(cellText);
  pieces.afterDrive = afterDriveOf(pieces.fullPath, style);
  if (pieces.afterDrive) pieces.folder = folderTextOf(*pieces.afterDrive, separator);

  std::optional<RootedPath> rooted;
  if (style == PathStyle::Windows) {
    rooted = rootedWindowsPath(pieces.fullPath);
  } else if (pieces.afterDrive) {
    rooted = RootedPath{*pieces.afterDrive, std::string(kPosixRootFolderName)};
  }
  if (!rooted) return pieces;
  pieces.belowRoot = rooted->belowRoot;
  pieces.targetFolder = folderTextOf(rooted->belowRoot, separator);
  if ((!pieces.targetFolder || pieces.targetFolder->empty()) && !rooted->rootName.empty()) {
    pieces.targetFolder = rooted->rootName;
  }
  return pieces;
}

}  // namespace mailferry::sources
