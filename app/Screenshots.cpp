// The screenshot tour: welcome, email, contacts, About, each grabbed after it has painted,
// and on request a conversion in the email window.
#include "app/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
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
#include "sources/Dialogs.h"

namespace mailferry::app {

namespace {

constexpr int kSettleMilliseconds = 400;

void save(QWidget& window, const QDir& folder, const QString& name) {
  window.grab().save(folder.filePath(name + QLatin1String(".png")), "PNG");
}

void settle() {
  QCoreApplication::processEvents();
  QTimer pause;
  pause.setSingleShot(true);
  pause.start(kSettleMilliseconds);
  while (pause.isActive()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Lists and converts the files of `source` in the email window: both folder dialogs answer
// `source`, and each message box (files found, run finished) is grabbed with the window.
void convertTour(const QDir& folder, const QString& source) {
  frmStep1& email = theFrmStep1();
  sources::Dialogs answers;
  answers.browseForFolder = [source](const sources::FolderRequest&) {
    return QDir::toNativeSeparators(source).toUtf8().toStdString();
  };
  const sources::ScopedDialogs folderDialogs(std::move(answers));

  // The message boxes are modal: a timer running inside their event loops grabs and closes them.
  QStringList names{QStringLiteral("email-listed"), QStringLiteral("email-converted")};
  QTimer boxWatch;
  boxWatch.setInterval(kSettleMilliseconds);
  QObject::connect(&boxWatch, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    if (!names.isEmpty()) {
      const QString name = names.takeFirst();
      save(email, folder, name);
      save(*box, folder, name + QLatin1String("-message"));
    }
    box->accept();
  });
  boxWatch.start();
  email.CmdAddFolder_Click();
  settle();
  email.CmdExtractDBX_Click();
  settle();
}

void tour(const QDir& folder) {
  FrmMain& welcome = theFrmMain();
  settle();
  save(welcome, folder, QStringLiteral("welcome"));

  welcome.cmdNext_Click();
  settle();
  save(theFrmStep1(), folder, QStringLiteral("email"));
  const QString source = qEnvironmentVariable(kScreenshotsSourceVariable);
  if (!source.isEmpty()) convertTour(folder, source);
  theFrmStep1().cmdBack_Click();

  welcome.OptContacts->setChecked(true);
  welcome.cmdNext_Click();
  settle();
  save(theFrmContacts(), folder, QStringLiteral("contacts"));

  // The About window is modal: grab it from inside its own event loop, then press OK.
  QTimer::singleShot(kSettleMilliseconds, [folder] {
    if (FrmAbout* about = theFrmAbout()) {
      save(*about, folder, QStringLiteral("about"));
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
