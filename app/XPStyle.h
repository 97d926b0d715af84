// XPStyle: a small control that switches on the extended common-control classes and holds
// the shell library loaded while it lives. Its size is pinned to 810 x 810 twips.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "app/platform/CommonControls.h"

namespace mailferry::app {

class XPStyle : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSizeTwips = 810;

  explicit XPStyle(QWidget* parent = nullptr);
  ~XPStyle() override;
  XPStyle(const XPStyle&) = delete;
  XPStyle& operator=(const XPStyle&) = delete;

  platform::ModuleHandle libraryHandle() const { return libraryHandle_; }
  // The design picture, its magenta pixels masked out.
  static QPixmap designPicture();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  platform::ModuleHandle libraryHandle_ = 0;
};

}  // namespace mailferry::app
