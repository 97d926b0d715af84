// A run's progress on standard error: on a terminal one line updated in place (the step,
// then files done, percentage, rate and time left); otherwise a line per step and per tenth
// of the conversion, for logs; nothing when quiet.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "sources/RunProgress.h"

namespace mailferry::cli {

class TerminalProgress : public sources::RunProgress {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  TerminalProgress(sources::WindowKind kind, std::FILE* out, bool quiet = false,
                   Clock clock = &std::chrono::steady_clock::now);
  // Ends the progress line, so that what follows starts on a line of its own.
  ~TerminalProgress() override;
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  void started(const std::string& pstPath, std::size_t files) override;
  void stepAt(sources::RunStep step, const std::string& folder, std::ptrdiff_t index) override;
  void fileStarted(std::size_t) override {}
  void fileConverted(const sources::FileReport& file) override { fileDone(file); }
  void fileFailed(const sources::FileReport& file, const std::string&) override {
    fileDone(file);  // the closing summary names the failures
  }
  void finished() override { endLine(); }
  // There is no event loop to serve.
  void yield() override {}
  // Ctrl+C or SIGTERM (see StopSignals).
  bool stopRequested() const override;

 private:
  void fileDone(const sources::FileReport& file);
  // The plain line of a step, once per step.
  void stepLine(sources::RunStep step);
  // The live line, at most every redraw interval unless `now` is a must.
  void drawLive(const std::string& line, bool must);
  std::optional<double> rate(std::chrono::steady_clock::time_point now) const;
  void endLine();

  sources::WindowKind kind_;
  std::FILE* out_;
  bool terminal_;
  bool quiet_;
  Clock clock_;
  std::size_t files_ = 0;
  std::size_t done_ = 0;
  std::optional<sources::RunStep> lastStep_;
  int lastTenth_ = -1;
  bool lineShown_ = false;
  std::optional<std::chrono::steady_clock::time_point> lastDraw_;
  // Where the rate is measured from: the first file done.
  std::optional<std::chrono::steady_clock::time_point> rateFrom_;
  std::size_t rateFromDone_ = 0;
};

}  // namespace mailferry::cli
