// The shared fonts, colours, pointer and window frame of Mailferry's windows.
#include "app/Look.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

// Resources of a static library need an explicit start; Q_INIT_RESOURCE must be called
// outside any namespace.
static void initMailferryResources() {
  Q_INIT_RESOURCE(mailferry);
}

namespace mailferry::app {

namespace {

void ensureLook() {
  static const bool done = [] {
    initMailferryResources();
    // Where Tahoma and Verdana are missing (Linux), the closest shapes at hand: Verdana's
    // narrow sibling Tahoma maps to a condensed sans, so captions fit their boxes.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans Condensed"),
                                QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    QFont::insertSubstitutions(QStringLiteral("Verdana"), {QStringLiteral("DejaVu Sans"),
                                                           QStringLiteral("Bitstream Vera Sans")});
    return true;
  }();
  (void)done;
}

QFont font(const char* family, double points, bool bold) {
  ensureLook();
  QFont f(QString::fromLatin1(family));
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

}  // namespace

QFont bodyFont() {
  return font("Tahoma", 8.25, false);
}
QFont boldBodyFont() {
  return font("Tahoma", 8.25, true);
}
QFont linkFont() {
  return font("Tahoma", 9, false);
}
QFont aboutLinkFont() {
  return font("Tahoma", 9, true);
}
QFont headingFont() {
  return font("Tahoma", 14.25, true);
}
QFont optionFont() {
  return font("Verdana", 8.25, false);
}

QString labelText(const QString& caption) {
  QString shown;
  shown.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&') {
      if (i + 1 < caption.size() && caption[i + 1] == u'&') {
        shown += u'&';
        ++i;
      }
      continue;
    }
    shown += caption[i];
  }
  return shown;
}

const QIcon& applicationIcon() {
  static const QIcon icon = [] {
    ensureLook();
    QIcon i;
    for (int size : {16, 24, 32, 48}) {
      i.addFile(QStringLiteral(":/mailferry/images/mailferry-%1.png").arg(size), QSize(size, size));
    }
    return i;
  }();
  return icon;
}

const QCursor& linkPointer() {
  ensureLook();
  static const QCursor cursor(QPixmap(QStringLiteral(":/mailferry/images/link-pointer.png")), 12,
                              1);
  return cursor;
}

QColor buttonFaceColour() {
  return QApplication::palette().color(QPalette::Button);
}

void paintWhite(QWidget& widget) {
  QPalette p = widget.palette();
  p.setColor(QPalette::Window, Qt::white);
  widget.setPalette(p);
  widget.setBackgroundRole(QPalette::Window);  // buttons would otherwise fill with Button
  widget.setAutoFillBackground(true);
}

void prepareMainWindow(QWidget& window, int clientWidthTwips, int clientHeightTwips) {
  window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                        Qt::WindowCloseButtonHint);
  window.setFixedSize(px(clientWidthTwips), px(clientHeightTwips));
  window.setWindowIcon(applicationIcon());
  window.setFont(bodyFont());
  paintWhite(window);
}

void centreOnScreen(QWidget& window) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}

QLabel* makeLabel(QWidget* parent, const QString& caption, const QRect& geometry, const QFont& font,
                  const QColor& colour) {
  auto* label = new QLabel(labelText(caption), parent);  // owned by parent
  label->setGeometry(geometry);
  label->setFont(font);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setTextFormat(Qt::PlainText);
  return label;
}

void fitCaption(QLabel& label) {
  const QRect box(QPoint(0, 0), label.size());
  const bool wraps = label.wordWrap();
  const int flags = Qt::AlignLeft | (wraps ? int(Qt::TextWordWrap) : 0);
  for (int percent = 100; percent >= 90; --percent) {
    QFont f = label.font();
    f.setLetterSpacing(QFont::PercentageSpacing, percent);
    const QRect needed = QFontMetrics(f).boundingRect(box, flags, label.text());
    const bool fits = wraps ? needed.height() <= box.height() : needed.right() <= box.right();
    if (fits || percent == 90) {
      if (percent != 100) label.setFont(f);
      return;
    }
  }
}

QLabel* makePicture(QWidget* parent, const QString& resource, const QRect& geometry) {
  ensureLook();
  auto* picture = new QLabel(parent);  // owned by parent
  picture->setPixmap(QPixmap(resource));
  picture->setGeometry(geometry);
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return picture;
}

}  // namespace mailferry::app
