// Small wrappers around the shell and the file system: the folder browser, shell open,
// the path-exists test and the parent-folder cut.
#pragma once

#include <string>
#include <string_view>

#include "sources/Dialogs.h"

namespace mailferry::sources::registry {

// The title every caller gives the folder browser.
inline constexpr std::string_view kBrowseFolderTitle = "Please select a folder:";

// The chosen folder's full path, or empty text when the user cancels or picks something
// that is not a file-system folder. Callers pass the title "Please select a folder:".
std::string BrowseForFolder(OwnerHandle owner, const std::string& start, const std::string& title,
                            bool includeFiles, bool newStyle);

// Opens a document or web address with its associated program. Empty text does nothing;
// failures are silent.
void ShellOpen(const std::string& target);

// True when a file exists at path; with folder set, a folder counts as well.
bool PathExists(const std::string& path, bool folder);

// The text of path up to and including its last separator; empty when it has none.
std::string GetParentPath(const std::string& path);

}  // namespace mailferry::sources::registry
