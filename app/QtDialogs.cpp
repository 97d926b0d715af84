// Folder browser, message box and shell open on top of Qt.
#include "app/QtDialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>
#include <QWidget>

namespace mailferry::app {

namespace {

QString fromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon qtIcon(sources::MessageIcon icon) {
  switch (icon) {
    case sources::MessageIcon::Critical:
      return QMessageBox::Critical;
    case sources::MessageIcon::Question:
      return QMessageBox::Question;
    case sources::MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case sources::MessageIcon::Information:
      return QMessageBox::Information;
    case sources::MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

std::string browseForFolder(const sources::FolderRequest& request) {
  QFileDialog::Options options = QFileDialog::ShowDirsOnly;
  const QString chosen = QFileDialog::getExistingDirectory(static_cast<QWidget*>(request.owner),
                                                           fromUtf8(request.title),
                                                           fromUtf8(request.startFolder), options);
  return QDir::toNativeSeparators(chosen).toUtf8().toStdString();
}

void messageBox(const std::string& text, const std::string& title, sources::MessageIcon icon) {
  QMessageBox box(qtIcon(icon), fromUtf8(title), keepPathsWhole(fromUtf8(text)), QMessageBox::Ok);
  box.exec();
}

void shellOpen(const std::string& target) {
  if (target.empty()) return;
  const QString text = fromUtf8(target);
  const QUrl url = text.contains(QLatin1String("://")) ? QUrl(text) : QUrl::fromLocalFile(text);
  QDesktopServices::openUrl(url);  // a failure is silent by design
}

bool pathStartsAt(const QString& line, qsizetype at) {
  const bool lineOrFieldStart =
      at == 0 || (at >= 2 && line[at - 1] == u' ' && line[at - 2] == u':');
  if (!lineOrFieldStart) return false;
  if (line[at] == u'/') return true;
  return at + 2 < line.size() && line[at].isLetter() && line[at + 1] == u':' &&
         line[at + 2] == u'\\';
}

}  // namespace

QString keepPathsWhole(const QString& text) {
  QStringList lines = text.split(u'\n');
  for (QString& line : lines) {
    for (qsizetype at = 0; at < line.size(); ++at) {
      if (!pathStartsAt(line, at)) continue;
      qsizetype end = line.indexOf(QLatin1String(": "), at);
      if (end < 0) end = line.size();
      for (qsizetype i = at; i < end; ++i) {
        if (line[i] == u' ') line[i] = QChar(0x00A0);
      }
      at = end;
    }
  }
  return lines.join(u'\n');
}

sources::Dialogs qtDialogs() {
  sources::Dialogs d;
  d.browseForFolder = browseForFolder;
  d.messageBox = messageBox;
  d.shellOpen = shellOpen;
  return d;
}

void installQtDialogs() {
  sources::dialogs() = qtDialogs();
}

}  // namespace mailferry::app
