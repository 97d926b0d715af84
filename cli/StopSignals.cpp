// The stop signals of mailferry-convert.
#include "cli/StopSignals.h"

#include <csignal>

namespace mailferry::cli {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStopSignal(int signal) {
  if (stopSignal != 0) {
    // The second one: the default action ends the program now.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  stopSignal = signal;
}

}  // namespace

StopSignals::StopSignals() {
  stopSignal = 0;
  std::signal(SIGINT, onStopSignal);
  std::signal(SIGTERM, onStopSignal);
}

StopSignals::~StopSignals() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

bool StopSignals::stopRequested() {
  return stopSignal != 0;
}

}  // namespace mailferry::cli
