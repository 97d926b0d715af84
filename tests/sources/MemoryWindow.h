// An in-memory conversion window that records the busy pointer and the yields, so the source
// list logic and the runs can be driven without a display.
#pragma once

#include <string>
#include <vector>

#include "sources/PlainWindow.h"

namespace mailferry::sources::testing {

class MemoryWindow : public PlainWindow {
 public:
  explicit MemoryWindow(WindowKind kind) : PlainWindow(kind) {}

  OwnerHandle owner() const override { return const_cast<MemoryWindow*>(this); }

  void setBusy(bool busy) override {
    busy_ = busy;
    busyChanges.push_back(busy);
  }
  bool busy() const { return busy_; }
  void yield() override { ++yields; }

  std::vector<bool> busyChanges;
  int yields = 0;

 private:
  bool busy_ = false;
};

}  // namespace mailferry::sources::testing
