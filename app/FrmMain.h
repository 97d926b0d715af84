// FrmMain: the welcome window, where the user chooses emails or contacts and goes Next.
#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace mailferry::app {

class LineControl;
class LinkLabel;

class FrmMain : public QWidget {
  Q_OBJECT

 public:
  FrmMain();

  // The product's and the maker's web pages that the two web links open.
  static constexpr char kProductAddress[] = "https://www.kestrolin.example/mailferry";
  static constexpr char kMakerAddress[] = "https://www.kestrolin.example/";
  static constexpr char kProductHost[] = "www.kestrolin.example";

  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QGroupBox* Frame1 = nullptr;
  QWidget* Picture1 = nullptr;
  QRadioButton* OptEmail = nullptr;
  QRadioButton* OptContacts = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* Label4 = nullptr;
  LinkLabel* LblWebsite = nullptr;
  LineControl* Line1 = nullptr;
  LinkLabel* LblKestrolinSite = nullptr;
  LineControl* Line2 = nullptr;
  QLabel* Image4 = nullptr;
  LinkLabel* LblAbout = nullptr;
  LineControl* Line4 = nullptr;
  QPushButton* cmdNext = nullptr;

 public slots:
  void cmdNext_Click();
  void LblAbout_Click();
  void LblWebsite_Click();
  void LblKestrolinSite_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_Initialize();

  bool centred_ = false;
};

}  // namespace mailferry::app
