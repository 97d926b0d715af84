// Finding a folder by its path, name by name, the way Outlook's object model is walked:
// an absolute path ("\Store display name\Mail\Inbox") starts at the store of that display
// name; a relative one ("Mail\Inbox") starts at the current folder.
//
// The current folder stands for the folder Outlook's active window shows: here it is the
// top folder of the store added to the profile last (and still open). Without an open store
// there is no current folder, and a relative path is an error.
#pragma once

#include <optional>
#include <string_view>

#include "store/Folder.h"

namespace mailferry::store {

// The folder at path, or nothing when the path names no folder at all (a single separator).
// A name that is not found raises StoreError.
std::optional<Folder> OpenMAPIFolder(std::string_view path);

// The current folder, or nothing when no store is open.
std::optional<Folder> currentFolder();

}  // namespace mailferry::store
