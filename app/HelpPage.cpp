// Finds the help page on showing hidden folders beside the program or in the installed layout.
#include "app/HelpPage.h"

#include <QDir>
#include <QFileInfo>

namespace mailferry::app {

QString helpPagePath(const QString& programDir) {
  const QDir dir(programDir);
  const QString beside = dir.filePath(QLatin1String(kHelpPageName));
  const QString installed =
      QDir::cleanPath(dir.filePath(QLatin1String("../share/mailferry/") + kHelpPageName));
  if (!QFileInfo::exists(beside) && QFileInfo::exists(installed)) {
    return QDir::toNativeSeparators(installed);
  }
  return QDir::toNativeSeparators(beside);
}

}  // namespace mailferry::app
