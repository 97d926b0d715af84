// The About window: fixed dialog border, OK closes it, Escape does nothing.
#include "app/FrmAbout.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "MailferryVersion.h"
#include "app/FrmMain.h"
#include "app/LineControl.h"
#include "app/LinkLabel.h"
#include "app/Look.h"
#include "app/platform/CommonControls.h"

namespace mailferry::app {

FrmAbout::FrmAbout(QWidget* owner) : QDialog(owner) {
  Form_Initialize();
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("About"));
  setWindowIcon(applicationIcon());
  setFixedSize(px(4830), px(2070));
  setModal(true);
  setSizeGripEnabled(false);
  paintWhite(*this);

  cmdBack = new QPushButton(QStringLiteral("&OK"), this);  // owned by this
  cmdBack->setGeometry(twipsRect(1800, 1560, 1335, 375));
  cmdBack->setAutoDefault(true);
  Label1 = makeLabel(this, QStringLiteral("Mailferry v") + QLatin1String(kVersion),
                     twipsRect(240, 240, 6375, 375), headingFont(), kLinkColour);
  LblWebsite = new LinkLabel(
      this, QStringLiteral("Visit Homepage : ") + QLatin1String(FrmMain::kProductHost),
      twipsRect(240, 720, 4215, 255), linkFont(), kLinkColour);         // owned by this
  Line1 = new LineControl(this, 240, 930, 4440, 930, kStatusColour);    // owned by this
  Line2 = new LineControl(this, 240, 1290, 3290, 1290, kStatusColour);  // owned by this
  LblKestrolinSite =
      new LinkLabel(this, QStringLiteral("Learn more about Kestrolin products"),
                    twipsRect(240, 1080, 3135, 255), linkFont(), kLinkColour);  // owned by this

  connect(cmdBack, &QPushButton::clicked, this, &FrmAbout::cmdBack_Click);
  cmdBack->setFocus();
}

void FrmAbout::Form_Initialize() {
  platform::initCommonControls();
}

void FrmAbout::cmdBack_Click() {
  accept();
}

void FrmAbout::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();  // no cancel button: Escape leaves the window open
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace mailferry::app
