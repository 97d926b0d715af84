// The conversion window of the command-line program: the grid and the labels kept in memory,
// the progress shown on standard error (a bar on a terminal, plain lines otherwise), and the
// message boxes written there too.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "sources/PlainWindow.h"

namespace mailferry::cli {

class TerminalWindow : public sources::PlainWindow {
 public:
  // Progress and messages go to `out`; a bar is drawn when it is a terminal.
  TerminalWindow(sources::WindowKind kind, std::FILE* out);
  ~TerminalWindow() override;
  TerminalWindow(const TerminalWindow&) = delete;
  TerminalWindow& operator=(const TerminalWindow&) = delete;

  sources::OwnerHandle owner() const override { return nullptr; }

  // The status caption and the progress value also redraw the bar (or write a line).
  void setCurrentCaption(const std::string& text) override;
  void setProgressValue(float value) override;

  void setBusy(bool) override {}
  // There is no event loop to serve.
  void yield() override {}

  // A message box: its title and text on their own lines, below the progress bar.
  void showMessage(const std::string& text, const std::string& title);

 private:
  void draw(bool force);
  void endBar();

  std::FILE* out_;
  bool terminal_;
  std::string lastPhase_;
  int lastTenth_ = -1;
  bool barShown_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace mailferry::cli
