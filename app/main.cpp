// Mailferry's GUI program: the welcome window is the start-up object.
#include "app/Forms.h"
#include "app/FrmMain.h"
#include "app/MailferryApplication.h"
#include "app/QtDialogs.h"
#include "app/Screenshots.h"
#include "app/UnexpectedError.h"

#include <exception>

int main(int argc, char** argv) {
  mailferry::app::MailferryApplication application(argc, argv);
  mailferry::app::installQtDialogs();
  // Errors inside the event loop are reported by the application; this catches what comes
  // before or after it, so that the program never ends without a word.
  try {
    mailferry::app::theFrmMain().show();
    mailferry::app::scheduleScreenshots();
    const int exitCode = application.exec();
    mailferry::app::unloadAllForms();
    return exitCode;
  } catch (...) {
    mailferry::app::reportUnexpectedError(std::current_exception());
  }
  return 1;
}
