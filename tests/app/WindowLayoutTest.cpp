// The four windows as created: client sizes, every control's place and size, captions,
// fonts, colours, frames and the creation states.
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "MailferryVersion.h"
#include "app/FileGrid.h"
#include "app/FrmAbout.h"
#include "app/FrmContacts.h"
#include "app/FrmMain.h"
#include "app/LineControl.h"
#include "app/LinkLabel.h"
#include "app/frmStep1.h"
#include "tests/app/GuiTesting.h"

namespace mailferry::app {
namespace {

using testing::textColour;
using testing::twipsGeometry;

struct Place {
  const char* name;
  QWidget* widget;
  QRect twips;
};

void expectPlaces(const std::vector<Place>& places) {
  for (const Place& p : places) {
    ASSERT_NE(p.widget, nullptr) << p.name;
    EXPECT_EQ(p.widget->geometry(), p.twips) << p.name;
  }
}

void expectFont(const QWidget* widget, const char* family, double points, bool bold) {
  EXPECT_EQ(widget->font().family(), QString::fromLatin1(family))
      << widget->metaObject()->className();
  EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), points);
  EXPECT_EQ(widget->font().bold(), bold);
}

void expectMainFrame(QWidget& window) {
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Kestrolin Mailferry "));
  EXPECT_EQ(window.size(), QSize(650, 389));
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed single border";
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_EQ(window.windowType(), Qt::Window) << "a top-level window in the task bar";
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_EQ(window.windowIcon().availableSizes().size(), 4);
  expectFont(&window, "Tahoma", 8.25, false);
  // White client area, painted as such.
  const QImage shot = window.grab().toImage();
  EXPECT_EQ(shot.pixelColor(645, 300), QColor(Qt::white));
}

void expectLink(LinkLabel* label, double points, bool bold) {
  expectFont(label, "Tahoma", points, bold);
  EXPECT_EQ(textColour(label), kLinkColour);
  EXPECT_FALSE(label->autoFillBackground()) << "transparent";
  EXPECT_EQ(label->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(label->cursor().hotSpot(), QPoint(12, 1));
  EXPECT_EQ(label->cursor().pixmap().size(), QSize(32, 32));
  EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
}

// The next widget that Tab can reach, as the focus chain runs.
QWidget* nextTabStop(QWidget* from) {
  for (QWidget* w = from->nextInFocusChain(); w != from; w = w->nextInFocusChain()) {
    if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) return w;
  }
  return from;
}

class WindowLayoutTest : public testing::WindowTest {};

TEST_F(WindowLayoutTest, WelcomeWindowMatchesItsLayout) {
  FrmMain& w = theFrmMain();
  expectMainFrame(w);
  expectPlaces({
      {"Image1", w.Image1, twipsGeometry(120, 120, 2985, 5475)},
      {"Label1", w.Label1, twipsGeometry(3240, 120, 6375, 735)},
      {"Label2", w.Label2, twipsGeometry(3240, 600, 6375, 615)},
      {"Label3", w.Label3, twipsGeometry(3240, 1320, 6375, 255)},
      {"Frame1", w.Frame1, twipsGeometry(3240, 1680, 6375, 1455)},
      {"Picture1", w.Picture1, twipsGeometry(120, 360, 6135, 975)},
      {"OptEmail", w.OptEmail, twipsGeometry(0, 0, 1335, 375)},
      {"OptContacts", w.OptContacts, twipsGeometry(0, 480, 1335, 375)},
      {"Image2", w.Image2, twipsGeometry(3240, 3240, 240, 240)},
      {"Label4", w.Label4, twipsGeometry(3600, 3285, 4935, 255)},
      {"LblWebsite", w.LblWebsite, twipsGeometry(3240, 3720, 4215, 255)},
      {"LblKestrolinSite", w.LblKestrolinSite, twipsGeometry(3240, 4080, 3135, 255)},
      {"Image4", w.Image4, twipsGeometry(5520, 5280, 180, 165)},
      {"LblAbout", w.LblAbout, twipsGeometry(5760, 5280, 855, 255)},
      {"cmdNext", w.cmdNext, twipsGeometry(8280, 5160, 1335, 375)},
      // Lines: both end points belong to the line.
      {"Line1", w.Line1, QRect(216, 262, 281, 1)},
      {"Line2", w.Line2, QRect(216, 286, 204, 1)},
      {"Line4", w.Line4, QRect(368, 368, 57, 1)},
  });
  EXPECT_EQ(w.OptEmail->parentWidget(), w.Picture1);
  EXPECT_EQ(w.Picture1->parentWidget(), w.Frame1);

  EXPECT_EQ(w.Label1->text(), QStringLiteral("Welcome to Mailferry !"));
  EXPECT_TRUE(w.Label2->text().startsWith(
      QStringLiteral("This application can convert your favourite Email Client data : ")));
  EXPECT_TRUE(w.Label2->text().endsWith(QStringLiteral("like Excel, CSV etc.")));
  EXPECT_TRUE(w.Label2->wordWrap());
  EXPECT_LE(
      QFontMetrics(w.Label2->font())
          .boundingRect(QRect(QPoint(0, 0), w.Label2->size()), Qt::TextWordWrap, w.Label2->text())
          .height(),
      w.Label2->height())
      << "the whole caption shows, whichever font stands in for Tahoma";
  EXPECT_EQ(w.Label3->text(), QStringLiteral("To begin, choose a option from the below options"));
  EXPECT_EQ(w.Frame1->title(), QStringLiteral("What you want to convert"));
  EXPECT_EQ(w.OptEmail->text(), QStringLiteral("Emails"));
  EXPECT_EQ(w.OptContacts->text(), QStringLiteral("Contacts"));
  EXPECT_EQ(w.Label4->text(),
            QStringLiteral("Works for Windows Mail & Windows Live Mail Email Client"));
  EXPECT_EQ(w.LblWebsite->text(), QStringLiteral("Visit Homepage : www.kestrolin.example"));
  EXPECT_EQ(w.LblKestrolinSite->text(), QStringLiteral("Learn more about Kestrolin products"));
  EXPECT_EQ(w.LblAbout->text(), QStringLiteral("About"));
  EXPECT_EQ(w.cmdNext->text(), QStringLiteral("&Next >"));
  EXPECT_EQ(w.cmdNext->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));

  expectFont(w.Label1, "Tahoma", 14.25, true);
  expectFont(w.Label2, "Tahoma", 8.25, false);
  expectFont(w.Label4, "Tahoma", 8.25, true);
  expectFont(w.OptEmail, "Verdana", 8.25, false);
  expectFont(w.OptContacts, "Verdana", 8.25, false);
  expectFont(w.cmdNext, "Tahoma", 8.25, false);
  EXPECT_EQ(textColour(w.Label1), kLinkColour);
  EXPECT_EQ(textColour(w.Label2), QColor(Qt::black));
  EXPECT_EQ(textColour(w.Label4), kWarningColour);
  expectLink(w.LblWebsite, 9, false);
  expectLink(w.LblKestrolinSite, 9, false);
  expectLink(w.LblAbout, 9, true);
  EXPECT_EQ(w.Line1->colour(), kStatusColour);
  EXPECT_EQ(w.Line2->colour(), kStatusColour);
  EXPECT_EQ(w.Line4->colour(), kLinkColour);

  EXPECT_TRUE(w.OptEmail->isChecked());
  EXPECT_FALSE(w.OptContacts->isChecked());
  EXPECT_EQ(nextTabStop(w.OptContacts), w.OptEmail);
  EXPECT_EQ(nextTabStop(w.OptEmail), w.cmdNext);
  // Tab reaches the selected option only, whichever it is.
  EXPECT_EQ(nextTabStop(w.cmdNext), w.OptEmail) << "not the unselected Contacts";
  w.OptContacts->setChecked(true);
  EXPECT_EQ(nextTabStop(w.cmdNext), w.OptContacts);
  EXPECT_EQ(nextTabStop(w.OptContacts), w.cmdNext);
  w.OptEmail->setChecked(true);

  // The option panel and buttons paint white, not in the button face.
  const QImage shot = w.grab().toImage();
  EXPECT_EQ(
      shot.pixelColor(w.Frame1->x() + w.Picture1->x() + 80, w.Frame1->y() + w.Picture1->y() + 5),
      QColor(Qt::white));
  EXPECT_EQ(w.Image1->pixmap().size(), QSize(199, 365));
  EXPECT_EQ(w.Image2->pixmap().size(), QSize(16, 16));
  EXPECT_EQ(w.Image4->pixmap().size(), QSize(12, 11));
}

void expectConversionWindow(ConversionForm& w, bool email) {
  expectMainFrame(w);
  const int up = email ? 0 : 360;
  expectPlaces({
      {"cmdBack", w.cmdBack, twipsGeometry(8280, 5160, 1335, 375)},
      {"CmdExtractDBX", w.CmdExtractDBX, twipsGeometry(5400, 3960 - up, 2655, 435)},
      {"CmdAddFolder", w.CmdAddFolder, twipsGeometry(3240, 1200 - up, 4095, 375)},
      {"grdFiles1", w.grdFiles1, twipsGeometry(3240, 2040 - up, 6375, 255)},
      {"ProgressBar1", w.ProgressBar1, twipsGeometry(4920, 3360 - up, 4695, 255)},
      {"Image4", w.Image4, twipsGeometry(5520, 5280, 180, 165)},
      {"LblAbout", w.LblAbout, twipsGeometry(5760, 5280, 855, 255)},
      {"Image1", w.Image1, twipsGeometry(120, 120, 2985, 5475)},
      {"Label2", w.Label2, twipsGeometry(3240, 120, 6375, 375)},
      {"LblProgessCurrent", w.LblProgessCurrent, twipsGeometry(3240, 2880 - up, 8175, 255)},
      {"LblCurrentDBX", w.LblCurrentDBX, twipsGeometry(3240, 2640 - up, 9840, 255)},
      {"Label1", w.Label1, twipsGeometry(3240, 3360 - up, 1695, 255)},
      {"lblCount1", w.lblCount1, twipsGeometry(3240, 1680 - up, 6375, 255)},
      {"Line4", w.Line4, QRect(368, 368, 57, 1)},
  });
  if (email) {
    expectPlaces({{"LblShowHidden", w.LblShowHidden, twipsGeometry(3600, 600, 6015, 495)},
                  {"Image2", w.Image2, twipsGeometry(3240, 600, 240, 240)}});
    EXPECT_EQ(w.LblShowHidden->text(),
              QStringLiteral("You should have Hidden Files & Folders Enabled, If Not Click Here "
                             "to Know How to Show Hidden Files & Folders. "));
    EXPECT_EQ(textColour(w.LblShowHidden), kWarningColour);
    EXPECT_TRUE(w.LblShowHidden->wordWrap());
    EXPECT_EQ(w.LblShowHidden->cursor().hotSpot(), QPoint(12, 1));
    expectFont(w.LblShowHidden, "Tahoma", 8.25, false);
  } else {
    EXPECT_EQ(w.LblShowHidden, nullptr);
    EXPECT_EQ(w.Image2, nullptr);
  }
  EXPECT_EQ(w.cmdBack->text(), QStringLiteral("< &Back"));
  EXPECT_EQ(w.cmdBack->shortcut(), QKeySequence(Qt::ALT | Qt::Key_B));
  EXPECT_EQ(w.CmdExtractDBX->text(),
            email ? QStringLiteral("Convert Mail Messages") : QStringLiteral("Convert Contacts"));
  EXPECT_EQ(w.CmdAddFolder->text(),
            email ? QStringLiteral("Select Windows Mail Store Location to Convert...")
                  : QStringLiteral("Select Windows Contacts Folder..."));
  EXPECT_EQ(w.Label2->text(), email ? QStringLiteral("Converting Windows Mail Messages")
                                    : QStringLiteral("Converting Windows Contacts"));
  EXPECT_EQ(w.LblProgessCurrent->text(), email ? QStringLiteral("Messages not initialized yet...")
                                               : QStringLiteral("Contacts not initialized yet..."));
  EXPECT_EQ(w.LblCurrentDBX->text(), email ? QStringLiteral("Converting Messages...")
                                           : QStringLiteral("Converting Contacts..."));
  EXPECT_EQ(w.Label1->text(), QStringLiteral("Conversion Progress : "));
  expectFont(w.Label2, "Tahoma", 14.25, true);
  EXPECT_EQ(textColour(w.Label2), kLinkColour);
  EXPECT_EQ(textColour(w.LblCurrentDBX), kStatusColour);
  EXPECT_EQ(textColour(w.LblProgessCurrent), QColor(Qt::black));
  expectLink(w.LblAbout, 9, true);
  for (QWidget* label :
       {static_cast<QWidget*>(w.Label1), static_cast<QWidget*>(w.Label2),
        static_cast<QWidget*>(w.LblCurrentDBX), static_cast<QWidget*>(w.LblProgessCurrent)}) {
    EXPECT_FALSE(label->autoFillBackground());
  }

  // Creation state: "0 files", an empty one-row grid, progress 0 of 0..100, Convert off.
  EXPECT_EQ(w.lblCount1->text(), QStringLiteral("0 files"));
  EXPECT_TRUE(w.lblCount1->autoFillBackground()) << "the one opaque label";
  EXPECT_EQ(w.lblCount1->palette().color(w.lblCount1->backgroundRole()), buttonFaceColour());
  EXPECT_EQ(w.gridRows(), 1);
  EXPECT_EQ(w.gridCols(), 1);
  EXPECT_EQ(w.gridFixedRows(), 0);
  EXPECT_EQ(w.gridFixedCols(), 0);
  EXPECT_EQ(w.gridText(0, 0), "");
  EXPECT_EQ(w.gridColWidth(0), 50000) << "set by the load step";
  EXPECT_EQ(w.ProgressBar1->minimum(), 0);
  EXPECT_EQ(w.ProgressBar1->maximum(), 100);
  EXPECT_EQ(w.ProgressBar1->value(), 0);
  EXPECT_EQ(w.ProgressBar1->orientation(), Qt::Horizontal);
  EXPECT_FALSE(w.CmdExtractDBX->isEnabled());
  EXPECT_TRUE(w.CmdAddFolder->isEnabled());
  EXPECT_TRUE(w.cmdBack->isEnabled());

  // Grid look: no headers, blue cells, silver lines on white.
  EXPECT_FALSE(w.grdFiles1->horizontalHeader()->isVisible());
  EXPECT_FALSE(w.grdFiles1->verticalHeader()->isVisible());
  w.setGridText(0, 0, "cell");
  const QImage grid = w.grdFiles1->grab().toImage();
  EXPECT_EQ(grid.pixelColor(grid.width() - 3, 2), kLinkColour);
  EXPECT_TRUE(
      w.grdFiles1->styleSheet().contains(QStringLiteral("gridline-color: rgb(192,192,192)")));
  w.setGridText(0, 0, "");

  // Tab: folder button, grid, Convert (once enabled), Back.
  EXPECT_EQ(nextTabStop(w.CmdAddFolder), w.grdFiles1);
  EXPECT_EQ(nextTabStop(w.grdFiles1), w.CmdExtractDBX);
  EXPECT_EQ(nextTabStop(w.CmdExtractDBX), w.cmdBack);
  EXPECT_EQ(nextTabStop(w.cmdBack), w.CmdAddFolder);
  EXPECT_EQ(w.ProgressBar1->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(w.lblCount1->focusPolicy(), Qt::NoFocus);
}

TEST_F(WindowLayoutTest, EmailWindowMatchesItsLayout) {
  expectConversionWindow(theFrmStep1(), true);
}

TEST_F(WindowLayoutTest, ContactsWindowSitsTheMiddleBlockHigherWithoutTheHint) {
  expectConversionWindow(theFrmContacts(), false);
}

TEST_F(WindowLayoutTest, AboutWindowMatchesItsLayout) {
  FrmAbout about(&theFrmMain());
  EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
  EXPECT_EQ(about.size(), QSize(322, 138));
  EXPECT_EQ(about.minimumSize(), about.maximumSize());
  EXPECT_EQ(about.windowType(), Qt::Dialog) << "owned, so not in the task bar";
  EXPECT_FALSE(about.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(about.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(about.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(about.isModal());
  EXPECT_FALSE(about.windowIcon().isNull());
  expectPlaces({
      {"cmdBack", about.cmdBack, twipsGeometry(1800, 1560, 1335, 375)},
      {"Label1", about.Label1, twipsGeometry(240, 240, 6375, 375)},
      {"LblWebsite", about.LblWebsite, twipsGeometry(240, 720, 4215, 255)},
      {"LblKestrolinSite", about.LblKestrolinSite, twipsGeometry(240, 1080, 3135, 255)},
      {"Line1", about.Line1, QRect(16, 62, 281, 1)},
      {"Line2", about.Line2, QRect(16, 86, 204, 1)},
  });
  EXPECT_EQ(about.cmdBack->text(), QStringLiteral("&OK"));
  EXPECT_EQ(about.cmdBack->shortcut(), QKeySequence(Qt::ALT | Qt::Key_O));
  EXPECT_EQ(about.Label1->text(), QStringLiteral("Mailferry v") + QLatin1String(kVersion));
  expectFont(about.Label1, "Tahoma", 14.25, true);
  EXPECT_EQ(textColour(about.Label1), kLinkColour);
  EXPECT_EQ(about.LblWebsite->text(), QStringLiteral("Visit Homepage : www.kestrolin.example"));
  expectLink(about.LblWebsite, 9, false);
  expectLink(about.LblKestrolinSite, 9, false);
  EXPECT_EQ(about.Line1->colour(), kStatusColour);
  EXPECT_EQ(about.cmdBack->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
  const QImage shot = about.grab().toImage();
  EXPECT_EQ(shot.pixelColor(310, 130), QColor(Qt::white));
}

}  // namespace
}  // namespace mailferry::app
