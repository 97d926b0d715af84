// The clock behind a replaceable function object, so that tests can set the time a run
// stamps into its file name.
#pragma once

#include <chrono>
#include <functional>

namespace mailferry::store {

using Clock = std::function<std::chrono::system_clock::time_point()>;

// The process-wide clock: the system clock (moved by MAILFERRY_CLOCK_START, see Clock.cpp)
// until something else is installed.
Clock& clock();

// Installs a replacement for the lifetime of the object.
class ScopedClock {
 public:
  explicit ScopedClock(Clock replacement);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock previous_;
};

}  // namespace mailferry::store
