// The conversion window of the command-line program: the grid and the labels kept in memory,
// the progress shown on standard error (one line updated in place on a terminal, plain lines
// otherwise, nothing when quiet), and the message boxes written there too.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "sources/PlainWindow.h"

namespace mailferry::cli {

class TerminalWindow : public sources::PlainWindow {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // Progress and messages go to `out`; on a terminal one line shows the progress in place.
  // A quiet window shows neither progress nor message boxes.
  TerminalWindow(sources::WindowKind kind, std::FILE* out, bool quiet = false,
                 Clock clock = &std::chrono::steady_clock::now);
  ~TerminalWindow() override;
  TerminalWindow(const TerminalWindow&) = delete;
  TerminalWindow& operator=(const TerminalWindow&) = delete;

  sources::OwnerHandle owner() const override { return nullptr; }

  // The status caption and the progress value also redraw the line (or write a line).
  void setCurrentCaption(const std::string& text) override;
  void setProgressValue(float value) override;

  void setBusy(bool) override {}
  // There is no event loop to serve.
  void yield() override {}

  // A message box: its title and text on their own lines, below the progress line.
  void showMessage(const std::string& text, const std::string& title);

 private:
  void draw(bool fromCaption);
  void drawPlain(double percent, const std::string& phase);
  void drawLive(double percent, const std::string& phase, bool fromCaption);
  std::optional<double> rate(std::size_t done, std::chrono::steady_clock::time_point now);
  void endLine();

  std::FILE* out_;
  bool terminal_;
  bool quiet_;
  Clock clock_;
  std::string lastPhase_;
  int lastTenth_ = -1;
  bool lineShown_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
  // Where the rate is measured from: the first report of the converting phase.
  std::optional<std::chrono::steady_clock::time_point> rateFrom_;
  std::size_t rateFromDone_ = 0;
};

}  // namespace mailferry::cli
