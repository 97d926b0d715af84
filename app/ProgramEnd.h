// How the program ends: every event loop is asked to end, and when the request comes while
// long work is yielding to the window system (a folder search, a conversion run), the
// process ends right there instead of finishing that work without a window.
#pragma once

#include <functional>

namespace mailferry::app {

// Ends the program with the exit code (0 after a close, 1 after an error report).
void endProgram(int exitCode = 0);

// Marks the time that long work spends inside the window system's event processing.
class WorkYield {
 public:
  WorkYield();
  ~WorkYield();
  WorkYield(const WorkYield&) = delete;
  WorkYield& operator=(const WorkYield&) = delete;
};

// Called by long work right after it yielded: ends the process when the program was
// ended meanwhile, so no process stays behind after its last window closed.
void abandonWorkIfEnding();

// Replaceable so that tests can watch the end without ending the test program:
// leaving the event loops (default: QCoreApplication::exit) ...
std::function<void(int exitCode)>& programEnder();
// ... and abandoning work in progress (default: flush output, end the process at once).
std::function<void(int exitCode)>& workAbandoner();

}  // namespace mailferry::app
