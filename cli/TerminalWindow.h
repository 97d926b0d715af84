// The conversion window of the command-line program: the grid and the labels kept in memory,
// and the message boxes written to standard error (none when quiet). A run's progress is
// shown by TerminalProgress.
#pragma once

#include <cstdio>
#include <string>

#include "sources/PlainWindow.h"

namespace mailferry::cli {

class TerminalWindow : public sources::PlainWindow {
 public:
  // Message boxes go to `out`; a quiet window shows none.
  TerminalWindow(sources::WindowKind kind, std::FILE* out, bool quiet = false)
      : PlainWindow(kind), out_(out), quiet_(quiet) {}

  sources::OwnerHandle owner() const override { return nullptr; }
  void setBusy(bool) override {}
  // There is no event loop to serve.
  void yield() override {}

  // A message box: its title and text on lines of their own.
  void showMessage(const std::string& text, const std::string& title);

 private:
  std::FILE* out_;
  bool quiet_;
};

}  // namespace mailferry::cli
