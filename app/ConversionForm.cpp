// The conversion windows' shared layout, their ConversionWindow face for the source list
// and the runs, and thin handlers that hand the work to the source-list logic.
#include "app/ConversionForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

#include "app/FileGrid.h"
#include "app/Forms.h"
#include "app/FrmMain.h"
#include "app/HelpPage.h"
#include "app/LineControl.h"
#include "app/LinkLabel.h"
#include "app/Look.h"
#include "app/ProgramEnd.h"
#include "app/WindowConversion.h"
#include "app/platform/CommonControls.h"
#include "sources/SourceList.h"
#include "sources/registry.h"

namespace mailferry::app {

namespace {

QPushButton* makeButton(QWidget* parent, const char* caption, const QRect& geometry) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);  // owned by parent
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

// Disables a control for the life of the object, then gives it back the state it had (a
// second click on Convert during a run must not enable what the run disabled).
class DisabledWhileAlive {
 public:
  explicit DisabledWhileAlive(QWidget* control) : control_(control), was_(control->isEnabled()) {
    control_->setEnabled(false);
  }
  ~DisabledWhileAlive() { control_->setEnabled(was_); }
  DisabledWhileAlive(const DisabledWhileAlive&) = delete;
  DisabledWhileAlive& operator=(const DisabledWhileAlive&) = delete;

 private:
  QWidget* control_;
  bool was_;
};

std::string utf8(const QString& text) {
  return text.toUtf8().toStdString();
}
QString fromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ConversionForm::ConversionForm(const ConversionLayout& layout) : kind_(layout.kind) {
  Form_Initialize();
  prepareMainWindow(*this, 9750, 5835);
  setWindowTitle(QString::fromLatin1(kMainWindowTitle));
  const int up = layout.blockShiftTwips;

  // Created in tab order, so the focus runs folder button, grid, Convert, Back.
  CmdAddFolder = makeButton(this, layout.folderCaption, twipsRect(3240, 1200 - up, 4095, 375));
  grdFiles1 = new FileGrid(this);  // owned by this
  grdFiles1->setGeometry(twipsRect(3240, 2040 - up, 6375, 255));
  lblCount1 = makeLabel(this, QStringLiteral("0 files"), twipsRect(3240, 1680 - up, 6375, 255),
                        bodyFont(), QApplication::palette().color(QPalette::WindowText));
  {
    QPalette p = lblCount1->palette();
    p.setColor(QPalette::Window, buttonFaceColour());
    lblCount1->setPalette(p);
    lblCount1->setAutoFillBackground(true);  // the one opaque label
  }
  CmdExtractDBX = makeButton(this, layout.convertCaption, twipsRect(5400, 3960 - up, 2655, 435));
  CmdExtractDBX->setEnabled(false);
  ProgressBar1 = new QProgressBar(this);  // owned by this
  ProgressBar1->setGeometry(twipsRect(4920, 3360 - up, 4695, 255));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setOrientation(Qt::Horizontal);
  Label1 = makeLabel(this, QStringLiteral("Conversion Progress : "),
                     twipsRect(3240, 3360 - up, 1695, 255), bodyFont(),
                     QApplication::palette().color(QPalette::WindowText));
  LblCurrentDBX = makeLabel(this, QString::fromUtf8(layout.currentCaption),
                            twipsRect(3240, 2640 - up, 9840, 255), bodyFont(), kStatusColour);
  LblProgessCurrent = makeLabel(this, QString::fromUtf8(layout.progressCaption),
                                twipsRect(3240, 2880 - up, 8175, 255), bodyFont(), Qt::black);
  Label2 = makeLabel(this, QString::fromUtf8(layout.headingCaption),
                     twipsRect(3240, 120, 6375, 375), headingFont(), kLinkColour);
  cmdBack = makeButton(this, "< &Back", twipsRect(8280, 5160, 1335, 375));
  LblAbout = new LinkLabel(this, QStringLiteral("About"), twipsRect(5760, 5280, 855, 255),
                           aboutLinkFont(), kLinkColour);  // owned by this
  if (layout.showHiddenHint) {
    LblShowHidden = new LinkLabel(
        this,
        QStringLiteral("You should have Hidden Files && Folders Enabled, If Not Click Here to "
                       "Know How to Show Hidden Files && Folders. "),
        twipsRect(3600, 600, 6015, 495), bodyFont(), kWarningColour);  // owned by this
    LblShowHidden->setWordWrap(true);
    fitCaption(*LblShowHidden);
    Image2 = makePicture(this, QStringLiteral(":/mailferry/images/hint.png"),
                         twipsRect(3240, 600, 240, 240));
    connect(LblShowHidden, &LinkLabel::clicked, this, &ConversionForm::LblShowHidden_Click);
  }
  Image4 = makePicture(this, QStringLiteral(":/mailferry/images/bullet.png"),
                       twipsRect(5520, 5280, 180, 165));
  Line4 = new LineControl(this, 5520, 5520, 6360, 5520, kLinkColour);  // owned by this
  Image1 = makePicture(this, QStringLiteral(":/mailferry/images/banner.png"),
                       twipsRect(120, 120, 2985, 5475));

  ProgressBar1->setFocusPolicy(Qt::NoFocus);
  grdFiles1->setFocusPolicy(Qt::StrongFocus);
  setTabOrder(CmdAddFolder, grdFiles1);
  setTabOrder(grdFiles1, CmdExtractDBX);
  setTabOrder(CmdExtractDBX, cmdBack);

  connect(CmdAddFolder, &QPushButton::clicked, this, &ConversionForm::CmdAddFolder_Click);
  connect(cmdBack, &QPushButton::clicked, this, &ConversionForm::cmdBack_Click);
  connect(LblAbout, &LinkLabel::clicked, this, &ConversionForm::LblAbout_Click);
  connect(CmdExtractDBX, &QPushButton::clicked, this, &ConversionForm::CmdExtractDBX_Click);
}

void ConversionForm::Form_Initialize() {
  platform::initCommonControls();
}

void ConversionForm::Form_Load() {
  sources::Form_Load(*this);
}

void ConversionForm::Form_Unload() {
  endProgram();
}

void ConversionForm::CmdAddFolder_Click() {
  sources::CmdAddFolder_Click(*this);
}

void ConversionForm::CmdExtractDBX_Click() {
  if (running_) {
    convertListedFiles(*this);  // refused: one run at a time
    return;
  }
  {
    const DisabledWhileAlive folderCommand(CmdAddFolder);
    const DisabledWhileAlive back(cmdBack);
    running_ = true;
    convertListedFiles(*this, [this] { return stopAsked_; });
    running_ = false;
  }
  if (stopAsked_) Form_Unload();
}

void ConversionForm::AddFileToList(const QString& path) {
  sources::AddFileToList(*this, utf8(path));
}

void ConversionForm::cmdBack_Click() {
  FrmMain& welcome = theFrmMain();
  welcome.show();
  welcome.raise();
  welcome.activateWindow();
  hide();
}

void ConversionForm::LblShowHidden_Click() {
  sources::registry::ShellOpen(utf8(helpPagePath(QCoreApplication::applicationDirPath())));
}

void ConversionForm::LblAbout_Click() {
  showAbout(this);
}

void ConversionForm::showEvent(QShowEvent* event) {
  if (!centred_) {
    centreOnScreen(*this);
    centred_ = true;
  }
  QWidget::showEvent(event);
}

void ConversionForm::closeEvent(QCloseEvent* event) {
  if (running_ && !stopAsked_) {
    // The first close during a run lets it finish the file at hand and commit; its closing
    // message says how many were converted, then the program ends. A second close forces.
    stopAsked_ = true;
    event->ignore();
    return;
  }
  event->accept();
  Form_Unload();
}

sources::OwnerHandle ConversionForm::owner() const {
  return static_cast<QWidget*>(const_cast<ConversionForm*>(this));
}

int ConversionForm::gridRows() const {
  return grdFiles1->cells().rows();
}

void ConversionForm::setGridRows(int rows) {
  grdFiles1->cells().setRows(rows);
  // A grid that lost its current row makes its last row current.
  if (rows > 0 && grdFiles1->currentRow() >= rows) grdFiles1->setCurrentRow(rows - 1);
  grdFiles1->catchUp();
}

int ConversionForm::gridCols() const {
  return grdFiles1->cells().cols();
}

void ConversionForm::setGridCols(int cols) {
  grdFiles1->cells().setCols(cols);
}

int ConversionForm::gridFixedRows() const {
  return grdFiles1->cells().fixedRows();
}

void ConversionForm::setGridFixedRows(int rows) {
  grdFiles1->cells().setFixedRows(rows);
}

int ConversionForm::gridFixedCols() const {
  return grdFiles1->cells().fixedCols();
}

void ConversionForm::setGridFixedCols(int cols) {
  grdFiles1->cells().setFixedCols(cols);
}

std::string ConversionForm::gridText(int row, int col) const {
  return utf8(grdFiles1->cells().text(row, col));
}

void ConversionForm::setGridText(int row, int col, const std::string& text) {
  grdFiles1->cells().setText(row, col, fromUtf8(text));
}

int ConversionForm::gridRow() const {
  return grdFiles1->currentRow();
}

void ConversionForm::setGridRow(int row) {
  grdFiles1->setCurrentRow(row);
}

int ConversionForm::gridCol() const {
  return grdFiles1->currentCol();
}

void ConversionForm::setGridCol(int col) {
  grdFiles1->setCurrentCol(col);
}

int ConversionForm::gridColWidth(int col) const {
  return grdFiles1->colWidthTwips(col);
}

void ConversionForm::setGridColWidth(int col, int twips) {
  grdFiles1->setColWidthTwips(col, twips);
}

std::vector<std::string> ConversionForm::listed() const {
  std::vector<std::string> paths;
  const int rows = gridRows();
  // The empty list is one row with an empty cell: it names no file.
  if (rows == 1 && gridText(0, 0).empty()) return paths;
  paths.reserve(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) paths.push_back(gridText(r, 0));
  return paths;
}

std::string ConversionForm::countCaption() const {
  return utf8(lblCount1->text());
}

void ConversionForm::setCountCaption(const std::string& text) {
  lblCount1->setText(fromUtf8(text));  // file names may hold "&"; shown as written
}

std::string ConversionForm::currentCaption() const {
  return utf8(LblCurrentDBX->text());
}

void ConversionForm::setCurrentCaption(const std::string& text) {
  LblCurrentDBX->setText(fromUtf8(text));  // file names may hold "&"; shown as written
}

std::string ConversionForm::progressCaption() const {
  return utf8(LblProgessCurrent->text());
}

void ConversionForm::setProgressCaption(const std::string& text) {
  LblProgessCurrent->setText(fromUtf8(text));  // file names may hold "&"; shown as written
}

float ConversionForm::progressMin() const {
  return static_cast<float>(ProgressBar1->minimum());
}

void ConversionForm::setProgressMin(float value) {
  ProgressBar1->setMinimum(static_cast<int>(std::lround(value)));
}

float ConversionForm::progressMax() const {
  return static_cast<float>(ProgressBar1->maximum());
}

void ConversionForm::setProgressMax(float value) {
  ProgressBar1->setMaximum(static_cast<int>(std::lround(value)));
}

float ConversionForm::progressValue() const {
  return static_cast<float>(ProgressBar1->value());
}

void ConversionForm::setProgressValue(float value) {
  const long rounded = std::lround(value);
  if (rounded < ProgressBar1->minimum() || rounded > ProgressBar1->maximum()) {
    throw std::out_of_range("progress value " + std::to_string(value) + " outside " +
                            std::to_string(ProgressBar1->minimum()) + ".." +
                            std::to_string(ProgressBar1->maximum()));
  }
  ProgressBar1->setValue(static_cast<int>(rounded));
}

bool ConversionForm::convertEnabled() const {
  return CmdExtractDBX->isEnabled();
}

void ConversionForm::setConvertEnabled(bool enabled) {
  CmdExtractDBX->setEnabled(enabled);
}

void ConversionForm::setBusy(bool busy) {
  if (busy) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void ConversionForm::yield() {
  // Long work yields after every item; the window system is served at most every few
  // milliseconds, which keeps the window live at screen rate without spending the work's
  // time on a poll and a repaint for each of 100,000 files.
  if (sinceYield_.isValid() && sinceYield_.elapsed() < kYieldIntervalMilliseconds) return;
  grdFiles1->catchUp();
  {
    WorkYield inside;
    QCoreApplication::processEvents();
  }
  sinceYield_.start();
  abandonWorkIfEnding();
}

}  // namespace mailferry::app
