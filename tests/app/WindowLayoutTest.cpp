// The four windows as a user meets them: captions, fonts, colours, frames and creation
// states; every control inside its window, clear of the others and wide enough for its text;
// and the Tab order. Where each control sits is the window classes' business alone.
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>

#include "MailferryVersion.h"
#include "app/FileGrid.h"
#include "app/FrmAbout.h"
#include "app/FrmContacts.h"
#include "app/FrmMain.h"
#include "app/LineControl.h"
#include "app/LinkLabel.h"
#include "app/Look.h"
#include "app/frmStep1.h"
#include "tests/app/GuiTesting.h"

namespace mailferry::app {
namespace {

using testing::textColour;

struct Control {
  const char* name;
  QWidget* widget;
};

// What a control shows, in the window's coordinates: a label's text or picture where its
// alignment puts it, the whole control otherwise.
QRect shownRect(const QWidget* control, const QWidget* window) {
  QRect local = control->rect();
  const auto* label = qobject_cast<const QLabel*>(control);
  if (label && !label->autoFillBackground()) {
    const QRect box = label->contentsRect();
    if (!label->text().isEmpty()) {
      const int wrap = label->wordWrap() ? int(Qt::TextWordWrap) : 0;
      local = QFontMetrics(label->font())
                  .boundingRect(box, int(label->alignment()) | wrap, label->text());
    } else if (!label->pixmap().isNull()) {
      local = QStyle::alignedRect(label->layoutDirection(), label->alignment(),
                                  label->pixmap().deviceIndependentSize().toSize(), box);
    }
  }
  return QRect(control->mapTo(window, local.topLeft()), local.size());
}

// The room a button's caption needs: the caption as drawn, without its mnemonic mark.
int captionWidth(const QAbstractButton* button) {
  QString caption = button->text();
  caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
  return QFontMetrics(button->font()).horizontalAdvance(caption);
}

void expectTextFits(const Control& c) {
  SCOPED_TRACE(c.name);
  if (const auto* label = qobject_cast<const QLabel*>(c.widget)) {
    if (label->text().isEmpty()) return;
    const QRect shown = shownRect(label, label);
    EXPECT_LE(shown.right(), label->contentsRect().right()) << "text cut on the right";
    EXPECT_LE(shown.bottom(), label->contentsRect().bottom()) << "text cut at the bottom";
  } else if (const auto* radio = qobject_cast<const QRadioButton*>(c.widget)) {
    EXPECT_LE(radio->sizeHint().width(), radio->width());
    EXPECT_LE(radio->fontMetrics().height(), radio->height());
  } else if (const auto* button = qobject_cast<const QPushButton*>(c.widget)) {
    const int margin = 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    EXPECT_LE(captionWidth(button) + margin, button->width());
    EXPECT_LE(button->fontMetrics().height(), button->height());
  } else if (const auto* group = qobject_cast<const QGroupBox*>(c.widget)) {
    EXPECT_LT(group->fontMetrics().horizontalAdvance(group->title()), group->width());
  }
}

bool related(const QWidget* a, const QWidget* b) {
  return a->isAncestorOf(b) || b->isAncestorOf(a);
}

// Every control lies inside the window; no two visible controls cover each other (a rule
// drawn under a link may touch it); and every caption fits its control.
void expectTidy(QWidget& window, const std::vector<Control>& controls) {
  for (const Control& c : controls) {
    ASSERT_NE(c.widget, nullptr) << c.name;
    EXPECT_TRUE(c.widget->isVisibleTo(&window)) << c.name;
    EXPECT_TRUE(window.rect().contains(shownRect(c.widget, &window)))
        << c.name << " leaves the window";
    expectTextFits(c);
  }
  for (std::size_t i = 0; i < controls.size(); ++i) {
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      const Control& a = controls[i];
      const Control& b = controls[j];
      if (related(a.widget, b.widget)) continue;
      if (qobject_cast<LineControl*>(a.widget) || qobject_cast<LineControl*>(b.widget)) continue;
      EXPECT_FALSE(shownRect(a.widget, &window).intersects(shownRect(b.widget, &window)))
          << a.name << " and " << b.name << " overlap";
    }
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
  EXPECT_EQ(shot.pixelColor(window.width() - 5, window.height() - 5), QColor(Qt::white));
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

TEST_F(WindowLayoutTest, WelcomeWindow) {
  FrmMain& w = theFrmMain();
  expectMainFrame(w);
  expectTidy(w, {
                    {"Image1", w.Image1},
                    {"Label1", w.Label1},
                    {"Label2", w.Label2},
                    {"Label3", w.Label3},
                    {"Frame1", w.Frame1},
                    {"OptEmail", w.OptEmail},
                    {"OptContacts", w.OptContacts},
                    {"Image2", w.Image2},
                    {"Label4", w.Label4},
                    {"LblWebsite", w.LblWebsite},
                    {"LblKestrolinSite", w.LblKestrolinSite},
                    {"Image4", w.Image4},
                    {"LblAbout", w.LblAbout},
                    {"cmdNext", w.cmdNext},
                    {"Line1", w.Line1},
                    {"Line2", w.Line2},
                    {"Line4", w.Line4},
                });
  EXPECT_EQ(w.OptEmail->parentWidget(), w.Picture1);
  EXPECT_EQ(w.Picture1->parentWidget(), w.Frame1);

  EXPECT_EQ(w.Label1->text(), QStringLiteral("Welcome to Mailferry !"));
  EXPECT_TRUE(w.Label2->text().startsWith(
      QStringLiteral("This application can convert your favourite Email Client data : ")));
  EXPECT_TRUE(w.Label2->text().endsWith(QStringLiteral("like Excel, CSV etc.")));
  EXPECT_TRUE(w.Label2->wordWrap());
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
  std::vector<Control> controls = {
      {"cmdBack", w.cmdBack},
      {"CmdExtractDBX", w.CmdExtractDBX},
      {"CmdAddFolder", w.CmdAddFolder},
      {"grdFiles1", w.grdFiles1},
      {"ProgressBar1", w.ProgressBar1},
      {"Image4", w.Image4},
      {"LblAbout", w.LblAbout},
      {"Image1", w.Image1},
      {"Label2", w.Label2},
      {"LblProgessCurrent", w.LblProgessCurrent},
      {"LblCurrentDBX", w.LblCurrentDBX},
      {"Label1", w.Label1},
      {"lblCount1", w.lblCount1},
      {"Line4", w.Line4},
  };
  if (email)
    controls.insert(controls.end(), {{"LblShowHidden", w.LblShowHidden}, {"Image2", w.Image2}});
  expectTidy(w, controls);
  if (email) {
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

TEST_F(WindowLayoutTest, EmailWindow) {
  expectConversionWindow(theFrmStep1(), true);
}

TEST_F(WindowLayoutTest, ContactsWindowSitsTheMiddleBlockHigherWithoutTheHint) {
  ConversionForm& contacts = theFrmContacts();
  expectConversionWindow(contacts, false);
  // The block from the folder button to Convert moves up into the hint's place, as one.
  const ConversionForm& email = theFrmStep1();
  const int rise = email.CmdAddFolder->y() - contacts.CmdAddFolder->y();
  EXPECT_GT(rise, 0);
  for (auto control : {&ConversionForm::lblCount1, &ConversionForm::LblCurrentDBX,
                       &ConversionForm::LblProgessCurrent, &ConversionForm::Label1}) {
    EXPECT_EQ((email.*control)->y() - (contacts.*control)->y(), rise);
  }
  EXPECT_EQ(email.grdFiles1->y() - contacts.grdFiles1->y(), rise);
  EXPECT_EQ(email.ProgressBar1->y() - contacts.ProgressBar1->y(), rise);
  EXPECT_EQ(email.CmdExtractDBX->y() - contacts.CmdExtractDBX->y(), rise);
  EXPECT_EQ(email.cmdBack->geometry(), contacts.cmdBack->geometry()) << "the foot stays";
}

TEST_F(WindowLayoutTest, AboutWindow) {
  FrmAbout about(&theFrmMain());
  EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
  EXPECT_EQ(about.minimumSize(), about.maximumSize());
  EXPECT_EQ(about.windowType(), Qt::Dialog) << "owned, so not in the task bar";
  EXPECT_FALSE(about.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(about.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(about.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(about.isModal());
  EXPECT_FALSE(about.windowIcon().isNull());
  expectTidy(about, {
                        {"cmdBack", about.cmdBack},
                        {"Label1", about.Label1},
                        {"LblWebsite", about.LblWebsite},
                        {"LblKestrolinSite", about.LblKestrolinSite},
                        {"Line1", about.Line1},
                        {"Line2", about.Line2},
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
  EXPECT_EQ(shot.pixelColor(about.width() - 12, about.height() - 8), QColor(Qt::white));
}

// Another system's Tahoma can be a few pixels wider than the layout allows (Wine's bold
// Tahoma draws the welcome window's hint 5 px past its box): such a caption is drawn a little
// tighter rather than losing its last letters, and one that fits is left as it is.
TEST(CaptionFitTest, ACaptionTooWideForItsBoxIsDrawnTighterNotCut) {
  const QString caption =
      QStringLiteral("Works for Windows Mail && Windows Live Mail Email Client");
  const int natural = QFontMetrics(boldBodyFont()).horizontalAdvance(labelText(caption));
  QWidget window;
  for (const int overflow : {0, 5, 12}) {
    SCOPED_TRACE(overflow);
    QLabel* label = makeLabel(&window, caption, QRect(0, 0, natural + 2 - overflow, 17),
                              boldBodyFont(), Qt::black);
    fitCaption(*label);
    const QRect shown = shownRect(label, label);
    EXPECT_LE(shown.right(), label->contentsRect().right()) << "text cut on the right";
    if (overflow == 0) {
      EXPECT_EQ(label->font(), boldBodyFont()) << "a caption that fits keeps its font";
    } else {
      EXPECT_GE(label->font().letterSpacing(), 90.0);
      EXPECT_LT(label->font().letterSpacing(), 100.0);
    }
    EXPECT_TRUE(label->font().bold());
  }
}

}  // namespace
}  // namespace mailferry::app
