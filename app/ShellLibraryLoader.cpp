// The counting loader of the shell library.
#include "app/ShellLibraryLoader.h"

namespace mailferry::app {

ShellLibraryLoader& ShellLibraryLoader::instance() {
  static ShellLibraryLoader loader;
  return loader;
}

platform::ModuleHandle ShellLibraryLoader::load() {
  ++loads_;
  return platform::loadLibrary("shell32.dll");
}

void ShellLibraryLoader::free(platform::ModuleHandle handle) {
  ++frees_;
  platform::freeLibrary(handle);
}

}  // namespace mailferry::app
