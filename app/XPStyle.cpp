// XPStyle: initialise, pin the size on every resize, release the library on destruction.
#include "app/XPStyle.h"

#include <QBitmap>
#include <QPainter>
#include <QResizeEvent>

#include "app/Look.h"
#include "app/ShellLibraryLoader.h"

namespace mailferry::app {

XPStyle::XPStyle(QWidget* parent) : QWidget(parent) {
  platform::initCommonControlsEx(platform::kIccUserExClasses);
  libraryHandle_ = ShellLibraryLoader::instance().load();
  // Layouts honour the fixed size; resizeEvent pins it against direct resizes as well.
  setFixedSize(px(kSizeTwips), px(kSizeTwips));
}

XPStyle::~XPStyle() {
  ShellLibraryLoader::instance().free(libraryHandle_);
}

QPixmap XPStyle::designPicture() {
  applicationIcon();  // makes sure the resources are available
  QPixmap picture(QStringLiteral(":/mailferry/images/xpstyle.png"));
  picture.setMask(picture.createMaskFromColor(QColor(255, 0, 255)));
  return picture;
}

void XPStyle::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int side = px(kSizeTwips);
  // Width first, then height, each only when it differs, so the pinning settles at once.
  if (width() != side) resize(side, height());
  if (height() != side) resize(side, side);
}

void XPStyle::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, designPicture());
}

}  // namespace mailferry::app
