// A run's progress shown on a conversion window the way the wizard shows it: the status
// labels, the grid's current row, the progress bar, and Convert disabled from the first file.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>

#include "sources/ConversionWindow.h"
#include "sources/RunProgress.h"

namespace mailferry::sources {

class WindowProgress : public RunProgress {
 public:
  // `stopRequested` tells whether the user asked the run to stop; none means never.
  explicit WindowProgress(ConversionWindow& window, std::function<bool()> stopRequested = {})
      : window_(window), stopRequested_(std::move(stopRequested)) {}

  void started(const std::string& pstPath, std::size_t files) override;
  void stepAt(RunStep step, const std::string& folder, std::ptrdiff_t index) override;
  void fileStarted(std::size_t index) override;
  void fileConverted(const FileReport& file) override;
  void fileFailed(const FileReport& file, const std::string& reason) override;
  void finished() override {}
  void yield() override;
  bool stopRequested() const override { return stopRequested_ && stopRequested_(); }

 private:
  void makeCurrent(std::size_t index);
  void showDone(const FileReport& file);

  ConversionWindow& window_;
  std::function<bool()> stopRequested_;
  std::size_t files_ = 0;
};

}  // namespace mailferry::sources
