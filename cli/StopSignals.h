// Ctrl+C and SIGTERM during a run: the first asks the run to stop after the file at hand (it
// commits and says how many were converted); a second one ends the program at once.
#pragma once

namespace mailferry::cli {

class StopSignals {
 public:
  StopSignals();  // installs the handlers for the life of the object
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  static bool stopRequested();
};

}  // namespace mailferry::cli
