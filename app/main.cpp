// Mailferry's GUI program: the welcome window is the start-up object.
#include <cstdio>
#include <cstring>

#include "MailferryVersion.h"
#include "app/Forms.h"
#include "app/FrmMain.h"
#include "app/MailferryApplication.h"
#include "app/QtDialogs.h"
#include "app/Screenshots.h"
#include "app/UnexpectedError.h"

#include <exception>

int main(int argc, char** argv) {
  // Answered before the application object exists, so that it works without a display.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("mailferry %s\n", mailferry::kVersion);
    return 0;
  }
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
