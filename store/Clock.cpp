// The replaceable clock.
#include "store/Clock.h"

namespace mailferry::store {

Clock& clock() {
  static Clock current = [] { return std::chrono::system_clock::now(); };
  return current;
}

ScopedClock::ScopedClock(Clock replacement) : previous_(clock()) {
  clock() = std::move(replacement);
}

ScopedClock::~ScopedClock() {
  clock() = std::move(previous_);
}

}  // namespace mailferry::store
