// The replaceable clock.
#include "store/Clock.h"

#include <cstdlib>

namespace mailferry::store {

namespace {

// MAILFERRY_CLOCK_START=<seconds since 1970>: the clock starts at that moment when the program
// does and runs on from there, so that tests can start programs together within one second.
std::chrono::system_clock::duration startOffset() {
  const char* start = std::getenv("MAILFERRY_CLOCK_START");
  if (!start || !*start) return {};
  char* end = nullptr;
  const long long seconds = std::strtoll(start, &end, 10);
  if (*end != '\0') return {};
  return std::chrono::system_clock::time_point(std::chrono::seconds(seconds)) -
         std::chrono::system_clock::now();
}

}  // namespace

Clock& clock() {
  static Clock current = [offset = startOffset()] {
    return std::chrono::system_clock::now() + offset;
  };
  return current;
}

ScopedClock::ScopedClock(Clock replacement) : previous_(clock()) {
  clock() = std::move(replacement);
}

ScopedClock::~ScopedClock() {
  clock() = std::move(previous_);
}

}  // namespace mailferry::store
