// The end of the program, also from inside long work.
#include "app/ProgramEnd.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace mailferry::app {

namespace {

int yieldDepth = 0;
std::optional<int> pendingEnd;

}  // namespace

std::function<void(int)>& programEnder() {
  static std::function<void(int)> ender = [](int exitCode) {
    // Leaves every event loop, the modal ones included; main then unloads the windows.
    QCoreApplication::exit(exitCode);
  };
  return ender;
}

std::function<void(int)>& workAbandoner() {
  static std::function<void(int)> abandoner = [](int exitCode) {
    // The work's own files are consistent at their last commit; what the C library still
    // buffers is written out, and nothing else of the unfinished work runs.
    std::fflush(nullptr);
    std::_Exit(exitCode);
  };
  return abandoner;
}

void endProgram(int exitCode) {
  if (yieldDepth > 0) pendingEnd = exitCode;
  programEnder()(exitCode);
}

WorkYield::WorkYield() {
  ++yieldDepth;
}

WorkYield::~WorkYield() {
  --yieldDepth;
}

void abandonWorkIfEnding() {
  if (!pendingEnd) return;
  const int exitCode = *pendingEnd;
  pendingEnd.reset();
  workAbandoner()(exitCode);
}

}  // namespace mailferry::app
