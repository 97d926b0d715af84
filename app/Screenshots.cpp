// The screenshot tour: welcome, email, contacts, About, each grabbed after it has painted.
#include "app/Screenshots.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

#include "app/Forms.h"
#include "app/FrmAbout.h"
#include "app/FrmContacts.h"
#include "app/FrmMain.h"
#include "app/ProgramEnd.h"
#include "app/frmStep1.h"

namespace mailferry::app {

namespace {

constexpr int kSettleMilliseconds = 400;

void save(QWidget& window, const QDir& folder, const char* name) {
  window.grab().save(folder.filePath(QString::fromLatin1(name)), "PNG");
}

void settle() {
  QCoreApplication::processEvents();
  QTimer pause;
  pause.setSingleShot(true);
  pause.start(kSettleMilliseconds);
  while (pause.isActive()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

void tour(const QDir& folder) {
  FrmMain& welcome = theFrmMain();
  settle();
  save(welcome, folder, "welcome.png");

  welcome.cmdNext_Click();
  settle();
  save(theFrmStep1(), folder, "email.png");
  theFrmStep1().cmdBack_Click();

  welcome.OptContacts->setChecked(true);
  welcome.cmdNext_Click();
  settle();
  save(theFrmContacts(), folder, "contacts.png");

  // The About window is modal: grab it from inside its own event loop, then press OK.
  QTimer::singleShot(kSettleMilliseconds, [folder] {
    if (FrmAbout* about = theFrmAbout()) {
      save(*about, folder, "about.png");
      about->cmdBack->click();
    }
  });
  theFrmContacts().LblAbout_Click();
  endProgram();
}

}  // namespace

bool scheduleScreenshots() {
  const QString target = qEnvironmentVariable(kScreenshotsVariable);
  if (target.isEmpty()) return false;
  QDir folder(target);
  folder.mkpath(QStringLiteral("."));
  QTimer::singleShot(0, [folder] { tour(folder); });
  return true;
}

}  // namespace mailferry::app
