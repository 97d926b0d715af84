// The Convert command of a conversion window, below the Qt widgets so that the tests can drive
// it on a window without a display: the output folder asked for, the run of the window's kind
// over its listed files shown on the window, and the message that closes the run.
#pragma once

#include <functional>

#include "sources/ConversionWindow.h"
#include "store/RunResult.h"

namespace mailferry::app {

// Returns AlreadyRunning when a run of this window is in progress (a click on Convert during
// the yields of a run) and Cancelled when the output folder dialog was cancelled. The run
// stops before its next file once `stopRequested` answers true.
store::RunResult convertListedFiles(sources::ConversionWindow& window,
                                    std::function<bool()> stopRequested = {});

// Guards a window against a second run while one is in progress: entered() is false for the
// second guard of the same window.
class SingleRun {
 public:
  explicit SingleRun(const sources::ConversionWindow& window);
  ~SingleRun();
  SingleRun(const SingleRun&) = delete;
  SingleRun& operator=(const SingleRun&) = delete;
  bool entered() const { return entered_; }

 private:
  const sources::ConversionWindow* window_;
  bool entered_;
};

}  // namespace mailferry::app
