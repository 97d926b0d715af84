// The pieces the conversion runs cut from one listed path: the path itself, the part after
// the drive, and the folder text that names the target folder.
#pragma once

#include <optional>
#include <string>

namespace mailferry::sources {

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
};

SourcePathPieces splitSourcePath(const std::string& cellText);

}  // namespace mailferry::sources
