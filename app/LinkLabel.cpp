// Link labels: a click is a press and a release of the left button over the label.
#include "app/LinkLabel.h"

#include <QMouseEvent>

#include "app/Look.h"

namespace mailferry::app {

LinkLabel::LinkLabel(QWidget* parent, const QString& caption, const QRect& geometry,
                     const QFont& font, const QColor& colour)
    : QLabel(labelText(caption), parent) {
  setGeometry(geometry);
  setFont(font);
  QPalette p = palette();
  p.setColor(QPalette::WindowText, colour);
  setPalette(p);
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setFocusPolicy(Qt::NoFocus);
  setCursor(linkPointer());
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (click) emit clicked();
}

}  // namespace mailferry::app
