// Loads and frees the shell library for XPStyle and counts the calls, so that the
// one-load-one-free life of each XPStyle instance can be checked.
#pragma once

#include "app/platform/CommonControls.h"

namespace mailferry::app {

class ShellLibraryLoader {
 public:
  static ShellLibraryLoader& instance();

  platform::ModuleHandle load();  // LoadLibraryA("shell32.dll")
  void free(platform::ModuleHandle handle);

  int loads() const { return loads_; }
  int frees() const { return frees_; }

 private:
  int loads_ = 0;
  int frees_ = 0;
};

}  // namespace mailferry::app
