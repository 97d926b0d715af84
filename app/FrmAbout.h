// FrmAbout: the small modal window that names the program and shows the two web links.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace mailferry::app {

class LineControl;
class LinkLabel;

class FrmAbout : public QDialog {
  Q_OBJECT

 public:
  // owner: the window whose About link was clicked; the About window centres over it.
  explicit FrmAbout(QWidget* owner);

  QPushButton* cmdBack = nullptr;
  QLabel* Label1 = nullptr;
  LinkLabel* LblWebsite = nullptr;
  LineControl* Line1 = nullptr;
  LineControl* Line2 = nullptr;
  LinkLabel* LblKestrolinSite = nullptr;

 public slots:
  void cmdBack_Click();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Form_Initialize();
};

}  // namespace mailferry::app
