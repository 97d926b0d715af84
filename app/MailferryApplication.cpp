// The application object and its catch-all around event delivery.
#include "app/MailferryApplication.h"

#include <exception>

#include "MailferryVersion.h"
#include "app/Look.h"
#include "app/ProgramEnd.h"
#include "app/UnexpectedError.h"

namespace mailferry::app {

MailferryApplication::MailferryApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Mailferry"));
  setOrganizationName(QStringLiteral("Kestrolin"));
  setApplicationVersion(QLatin1String(kVersion));
  setWindowIcon(applicationIcon());
  // Every close of a main window ends the program explicitly (FrmMain, the conversion
  // windows); hiding the last visible window while navigating must not.
  setQuitOnLastWindowClosed(false);
}

bool MailferryApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    // An error during the report itself (its message box runs its own events) must not
    // stack a second report on the first.
    if (reporting_) {
      endProgram(1);
      return true;
    }
    reporting_ = true;
    reportUnexpectedError(std::current_exception());
    reporting_ = false;
    return true;
  }
}

}  // namespace mailferry::app
