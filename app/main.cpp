// Mailferry's GUI program: the welcome window is the start-up object.
#include "app/Forms.h"
#include "app/FrmMain.h"
#include "app/MailferryApplication.h"
#include "app/QtDialogs.h"
#include "app/Screenshots.h"

int main(int argc, char** argv) {
  mailferry::app::MailferryApplication application(argc, argv);
  mailferry::app::installQtDialogs();
  mailferry::app::theFrmMain().show();
  mailferry::app::scheduleScreenshots();
  const int exitCode = application.exec();
  mailferry::app::unloadAllForms();
  return exitCode;
}
