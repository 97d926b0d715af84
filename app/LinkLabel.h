// A transparent label that looks and acts like a web link: link colour, the link pointer,
// and a clicked() signal on a left click.
#pragma once

#include <QLabel>

namespace mailferry::app {

class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  LinkLabel(QWidget* parent, const QString& caption, const QRect& geometry, const QFont& font,
            const QColor& colour);

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

}  // namespace mailferry::app
