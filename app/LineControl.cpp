// Lines are small widgets filled with their colour, so they clip and stack like controls.
#include "app/LineControl.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

#include "app/Look.h"

namespace mailferry::app {

LineControl::LineControl(QWidget* parent, int x1Twips, int y1Twips, int x2Twips, int y2Twips,
                         const QColor& colour)
    : QWidget(parent), colour_(colour) {
  const int left = px(std::min(x1Twips, x2Twips));
  const int top = px(std::min(y1Twips, y2Twips));
  const int width = px(std::abs(x2Twips - x1Twips)) + 1;
  const int height = px(std::abs(y2Twips - y1Twips)) + 1;
  setGeometry(left, top, width, height);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), colour_);
}

}  // namespace mailferry::app
