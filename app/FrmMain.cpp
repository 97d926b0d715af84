// The welcome window: its layout, its links and the Next command.
#include "app/FrmMain.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "app/Forms.h"
#include "app/FrmContacts.h"
#include "app/LineControl.h"
#include "app/LinkLabel.h"
#include "app/Look.h"
#include "app/ProgramEnd.h"
#include "app/frmStep1.h"
#include "app/platform/CommonControls.h"
#include "sources/registry.h"

namespace mailferry::app {

FrmMain::FrmMain() {
  Form_Initialize();
  prepareMainWindow(*this, 9750, 5835);
  setWindowTitle(QString::fromLatin1(kMainWindowTitle));

  Image1 = makePicture(this, QStringLiteral(":/mailferry/images/banner.png"),
                       twipsRect(120, 120, 2985, 5475));
  Image1->setObjectName(QStringLiteral("Image1"));
  Label1 = makeLabel(this, QStringLiteral("Welcome to Mailferry !"),
                     twipsRect(3240, 120, 6375, 735), headingFont(), kLinkColour);
  Label2 = makeLabel(this,
                     QStringLiteral("This application can convert your favourite Email Client "
                                    "data : email and news messages, address book contacts "
                                    "information into MS Outlook Email Client readble format. "
                                    "You can then convert exported information from Outlook to "
                                    "various formats like Excel, CSV etc."),
                     twipsRect(3240, 600, 6375, 615), bodyFont(), Qt::black);
  Label2->setWordWrap(true);
  fitCaption(*Label2);
  Label3 = makeLabel(this, QStringLiteral("To begin, choose a option from the below options"),
                     twipsRect(3240, 1320, 6375, 255), bodyFont(), Qt::black);

  Frame1 = new QGroupBox(QStringLiteral("What you want to convert"), this);  // owned by this
  Frame1->setGeometry(twipsRect(3240, 1680, 6375, 1455));
  Frame1->setFont(bodyFont());
  paintWhite(*Frame1);
  Picture1 = new QWidget(Frame1);  // owned by Frame1
  Picture1->setGeometry(twipsRect(120, 360, 6135, 975));
  paintWhite(*Picture1);
  OptEmail = new QRadioButton(QStringLiteral("Emails"), Picture1);  // owned by Picture1
  OptEmail->setGeometry(twipsRect(0, 0, 1335, 375));
  OptEmail->setFont(optionFont());
  paintWhite(*OptEmail);
  OptContacts = new QRadioButton(QStringLiteral("Contacts"), Picture1);  // owned by Picture1
  OptContacts->setGeometry(twipsRect(0, 480, 1335, 375));
  OptContacts->setFont(optionFont());
  paintWhite(*OptContacts);
  OptEmail->setChecked(true);

  Image2 = makePicture(this, QStringLiteral(":/mailferry/images/hint.png"),
                       twipsRect(3240, 3240, 240, 240));
  Label4 =
      makeLabel(this, QStringLiteral("Works for Windows Mail && Windows Live Mail Email Client"),
                twipsRect(3600, 3285, 4935, 255), boldBodyFont(), kWarningColour);
  fitCaption(*Label4);

  LblWebsite = new LinkLabel(this,  // owned by this
                             QStringLiteral("Visit Homepage : ") + QLatin1String(kProductHost),
                             twipsRect(3240, 3720, 4215, 255), linkFont(), kLinkColour);
  Line1 = new LineControl(this, 3240, 3930, 7440, 3930, kStatusColour);  // owned by this
  LblKestrolinSite =
      new LinkLabel(this, QStringLiteral("Learn more about Kestrolin products"),  // owned by this
                    twipsRect(3240, 4080, 3135, 255), linkFont(), kLinkColour);
  Line2 = new LineControl(this, 3240, 4290, 6290, 4290, kStatusColour);  // owned by this

  Image4 = makePicture(this, QStringLiteral(":/mailferry/images/bullet.png"),
                       twipsRect(5520, 5280, 180, 165));
  LblAbout = new LinkLabel(this, QStringLiteral("About"), twipsRect(5760, 5280, 855, 255),
                           aboutLinkFont(), kLinkColour);              // owned by this
  Line4 = new LineControl(this, 5520, 5520, 6360, 5520, kLinkColour);  // owned by this

  cmdNext = new QPushButton(QStringLiteral("&Next >"), this);  // owned by this
  cmdNext->setGeometry(twipsRect(8280, 5160, 1335, 375));
  cmdNext->setFont(bodyFont());
  cmdNext->setAutoDefault(false);

  Picture1->setFocusPolicy(Qt::NoFocus);
  setTabOrder(OptContacts, OptEmail);
  setTabOrder(OptEmail, cmdNext);
  // Tab into the option group lands on the selected option, as in any option group; the
  // arrow keys move between the options.
  const auto tabToSelected = [this] {
    for (QRadioButton* option : {OptEmail, OptContacts}) {
      option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    }
  };
  tabToSelected();
  connect(OptEmail, &QRadioButton::toggled, this, tabToSelected);

  connect(cmdNext, &QPushButton::clicked, this, &FrmMain::cmdNext_Click);
  connect(LblAbout, &LinkLabel::clicked, this, &FrmMain::LblAbout_Click);
  connect(LblWebsite, &LinkLabel::clicked, this, &FrmMain::LblWebsite_Click);
  connect(LblKestrolinSite, &LinkLabel::clicked, this, &FrmMain::LblKestrolinSite_Click);
}

void FrmMain::Form_Initialize() {
  platform::initCommonControls();
}

void FrmMain::cmdNext_Click() {
  QWidget* target = nullptr;
  if (OptContacts->isChecked()) {
    target = &theFrmContacts();
  } else {
    target = &theFrmStep1();
  }
  target->show();  // the target is up before the welcome window goes
  target->raise();
  target->activateWindow();
  hide();
}

void FrmMain::LblAbout_Click() {
  showAbout(this);
}

void FrmMain::LblWebsite_Click() {
  sources::registry::ShellOpen(kProductAddress);
}

void FrmMain::LblKestrolinSite_Click() {
  sources::registry::ShellOpen(kMakerAddress);
}

void FrmMain::showEvent(QShowEvent* event) {
  if (!centred_) {
    centreOnScreen(*this);
    centred_ = true;
  }
  QWidget::showEvent(event);
}

void FrmMain::closeEvent(QCloseEvent* event) {
  // The welcome window has no unload step of its own; a hidden conversion window must not
  // keep the process alive once the last visible window is gone.
  event->accept();
  endProgram();
}

}  // namespace mailferry::app
