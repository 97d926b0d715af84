// Folder paths as text: names separated by the path separator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailferry::store {

// The names of a folder path, taken as they stand between separators, from its first
// character: a separator at the end adds no name, and two adjacent separators give an
// empty name.
std::vector<std::string> splitFolderPath(std::string_view path);

}  // namespace mailferry::store
