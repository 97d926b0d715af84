// A one-pixel straight line between two points given in twips, like a drawn rule under a
// link label.
#pragma once

#include <QColor>
#include <QWidget>

namespace mailferry::app {

class LineControl : public QWidget {
  Q_OBJECT

 public:
  // Horizontal or vertical lines only; both end points are part of the line.
  LineControl(QWidget* parent, int x1Twips, int y1Twips, int x2Twips, int y2Twips,
              const QColor& colour);

  QColor colour() const { return colour_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_;
};

}  // namespace mailferry::app
