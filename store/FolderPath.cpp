// Splitting folder paths into names.
#include "store/FolderPath.h"

#include "sources/PathSeparator.h"

namespace mailferry::store {

std::vector<std::string> splitFolderPath(std::string_view path) {
  std::vector<std::string> names;
  while (!path.empty()) {
    auto cut = path.find(sources::kPathSeparator);
    if (cut == std::string_view::npos) {
      names.emplace_back(path);
      break;
    }
    names.emplace_back(path.substr(0, cut));
    path.remove_prefix(cut + 1);
  }
  return names;
}

}  // namespace mailferry::store
