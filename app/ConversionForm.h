// The layout and the handlers that the email and contacts conversion windows share; each
// window differs only in the captions and the vertical places of its middle block.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include "sources/ConversionWindow.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace mailferry::app {

class FileGrid;
class LineControl;
class LinkLabel;

// What differs between the two conversion windows.
struct ConversionLayout {
  sources::WindowKind kind;
  const char* convertCaption;
  const char* folderCaption;
  const char* headingCaption;
  const char* progressCaption;  // LblProgessCurrent
  const char* currentCaption;   // LblCurrentDBX
  bool showHiddenHint;          // LblShowHidden and Image2
  int blockShiftTwips;          // how much higher the middle block sits than in the email window
};

class ConversionForm : public QWidget, public sources::ConversionWindow {
  Q_OBJECT

 public:
  explicit ConversionForm(const ConversionLayout& layout);

  QPushButton* cmdBack = nullptr;
  QPushButton* CmdExtractDBX = nullptr;
  QPushButton* CmdAddFolder = nullptr;
  FileGrid* grdFiles1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  LinkLabel* LblShowHidden = nullptr;  // email window only
  QLabel* Image2 = nullptr;            // email window only
  QLabel* Image4 = nullptr;
  LineControl* Line4 = nullptr;
  LinkLabel* LblAbout = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* LblProgessCurrent = nullptr;
  QLabel* LblCurrentDBX = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* lblCount1 = nullptr;

  // The load step, run once by the window's program-wide reference after creation.
  void Form_Load();

  // sources::ConversionWindow
  sources::WindowKind kind() const override { return kind_; }
  sources::OwnerHandle owner() const override;
  int gridRows() const override;
  void setGridRows(int rows) override;
  int gridCols() const;
  void setGridCols(int cols) override;
  int gridFixedRows() const;
  void setGridFixedRows(int rows) override;
  int gridFixedCols() const;
  void setGridFixedCols(int cols);
  std::string gridText(int row, int col) const override;
  void setGridText(int row, int col, const std::string& text) override;
  int gridRow() const;
  void setGridRow(int row) override;
  int gridCol() const;
  void setGridCol(int col) override;
  int gridColWidth(int col) const;
  void setGridColWidth(int col, int twips) override;
  sources::SkippedFolders& skippedFolders() override { return skipped_; }
  const sources::SkippedFolders& skippedFolders() const override { return skipped_; }
  std::vector<std::string> listed() const override;
  std::string countCaption() const;
  void setCountCaption(const std::string& text) override;
  std::string currentCaption() const;
  void setCurrentCaption(const std::string& text) override;
  std::string progressCaption() const;
  void setProgressCaption(const std::string& text) override;
  float progressMin() const;
  void setProgressMin(float value) override;
  float progressMax() const;
  void setProgressMax(float value) override;
  float progressValue() const;
  void setProgressValue(float value) override;
  bool convertEnabled() const;
  void setConvertEnabled(bool enabled) override;
  void setBusy(bool busy) override;
  void yield() override;

 public slots:
  // The Convert command: the email run in the email window, the contacts run in the
  // contacts window. The folder command and Back wait while it works; closing the window
  // meanwhile stops the run after the file at hand, and the program ends after its message.
  void CmdExtractDBX_Click();
  void CmdAddFolder_Click();
  void AddFileToList(const QString& path);
  void cmdBack_Click();
  void LblShowHidden_Click();
  void LblAbout_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_Initialize();
  void Form_Unload();

  static constexpr int kYieldIntervalMilliseconds = 10;

  sources::WindowKind kind_;
  sources::SkippedFolders skipped_;
  bool centred_ = false;
  bool running_ = false;    // a run of this window is in progress
  bool stopAsked_ = false;  // the window was closed during it: stop, then end the program
  QElapsedTimer sinceYield_;
};

}  // namespace mailferry::app
