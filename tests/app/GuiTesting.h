// Helpers of the window tests: fresh window instances per test, twips geometry, running
// the program's event loop until it ends, answering a modal window from inside its loop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "app/Forms.h"
#include "app/Look.h"

namespace mailferry::app::testing {

// Every test starts with no window instance and leaves none behind.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { unloadAllForms(); }
  void TearDown() override { unloadAllForms(); }
};

inline QRect twipsGeometry(int left, int top, int width, int height) {
  return twipsRect(left, top, width, height);
}

inline QColor textColour(const QWidget* widget) {
  return widget->palette().color(QPalette::WindowText);
}

// Runs the application's event loop with action queued first; returns its exit code, or
// -1 when the loop did not end by itself within the time limit.
inline int runProgramLoop(std::function<void()> action, int limitMs = 10000) {
  QTimer::singleShot(0, std::move(action));
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
  watchdog.start(limitMs);
  return QCoreApplication::exec();
}

// Calls answer once a modal window is up and active (activation may come a moment after
// the show); used for the About window's own event loop.
inline void whenModalShown(std::function<void(QWidget*)> answer, int triesLeft = 500) {
  QTimer::singleShot(10, [answer = std::move(answer), triesLeft]() mutable {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && (modal->isActiveWindow() || triesLeft <= 0)) {
      answer(modal);
    } else {
      whenModalShown(std::move(answer), triesLeft - 1);
    }
  });
}

}  // namespace mailferry::app::testing
