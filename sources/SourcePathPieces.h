// The pieces the conversion runs cut from one listed path: the path itself, the part after
// the drive, and the folder text that names the target folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mailferry::sources {

// How a path text is read: with drives, network shares and "\" (Windows), or with one root
// and "/" (elsewhere).
enum class PathStyle { Windows, Posix };

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// The name of the target folder that takes the files lying directly in the root "/" of a
// system without drives (a drive root gives its letter, a share root the share's name).
inline constexpr std::string_view kPosixRootFolderName = "Root";

struct SourcePathPieces {
  // T: the cell text without leading and trailing spaces.
  std::string fullPath;
  // A: the path after the drive's colon, beginning with the separator ("\Mail\Inbox\a.eml").
  // Where there is no drive (non-Windows) the whole absolute path plays this part. Absent
  // when the path has no drive (a network or relative path).
  std::optional<std::string> afterDrive;
  // B: the folder text without drive and without leading and trailing separator
  // ("Mail\Inbox"). Absent when afterDrive is absent or the file lies directly in the
  // root folder, where there is no trailing separator to remove.
  std::optional<std::string> folder;

  // The same two pieces for every absolute path, so that no listed file is left without a
  // place: the "\\server\share" of a network path plays the drive's part
  // ("\\srv\mail\Inbox\a.eml" gives "\Inbox\a.eml"), and a file directly in a root folder
  // goes to a folder named after that root: the drive letter ("C"), the share name, or
  // kPosixRootFolderName. Both absent only for a path that names no root (a relative path).
  std::optional<std::string> belowRoot;
  std::optional<std::string> targetFolder;
};

SourcePathPieces splitSourcePath(const std::string& cellText);
// Reads the text in the given style whatever the system, so that both can be checked anywhere.
SourcePathPieces splitSourcePath(const std::string& cellText, PathStyle style);

}  // namespace mailferry::sources
