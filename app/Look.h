// The common look of Mailferry's windows: twips geometry, fonts, colours, the link pointer
// and the window frame every main window shares.
#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QRect>
#include <QString>

class QWidget;
class QLabel;

namespace mailferry::app {

inline constexpr int kTwipsPerPixel = 15;  // 1440 twips per inch at 96 dots per inch

constexpr int px(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}
constexpr int twips(int pixels) {
  return pixels * kTwipsPerPixel;
}
// Left, Top, Width, Height in twips within the parent's client area.
inline QRect twipsRect(int left, int top, int width, int height) {
  return QRect(px(left), px(top), px(width), px(height));
}

inline constexpr QColor kLinkColour{8, 117, 213};
inline constexpr QColor kStatusColour{0, 0, 192};
inline constexpr QColor kWarningColour{192, 0, 0};
inline constexpr QColor kGridLineColour{192, 192, 192};

inline constexpr char kMainWindowTitle[] = "Kestrolin Mailferry ";  // trailing blank intended

QFont bodyFont();       // Tahoma 8.25 pt
QFont boldBodyFont();   // Tahoma 8.25 pt bold
QFont linkFont();       // Tahoma 9 pt
QFont aboutLinkFont();  // Tahoma 9 pt bold
QFont headingFont();    // Tahoma 14.25 pt bold
QFont optionFont();     // Verdana 8.25 pt

// The caption as a label shows it: "&&" becomes one ampersand and a lone "&" marks a
// mnemonic that labels, which take no focus, do not show.
QString labelText(const QString& caption);

const QIcon& applicationIcon();
const QCursor& linkPointer();  // the pointing hand, hot spot at the fingertip (12, 1)

// The button-face colour of the platform, taken before any window paints itself white.
QColor buttonFaceColour();

// Fixed single border, control box with minimise but no maximise, white client area of
// the given size in twips, the application icon.
void prepareMainWindow(QWidget& window, int clientWidthTwips, int clientHeightTwips);
void paintWhite(QWidget& widget);
// Moves a top-level window to the middle of its screen.
void centreOnScreen(QWidget& window);

QLabel* makeLabel(QWidget* parent, const QString& caption, const QRect& geometry, const QFont& font,
                  const QColor& colour);
// Where a font is wider than the one the layout was made for (a substitute, or another
// system's Tahoma), tightens the letter spacing of a label (down to 90 %) until its caption
// fits its box: in height for a wrapping label, in width for a single line.
void fitCaption(QLabel& label);

QLabel* makePicture(QWidget* parent, const QString& resource, const QRect& geometry);

}  // namespace mailferry::app
