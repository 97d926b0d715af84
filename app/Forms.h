// The program-wide references to the window instances: one per window class, created on
// first use, hidden rather than closed while the user navigates.
#pragma once

class QWidget;

namespace mailferry::app {

class FrmMain;
class frmStep1;
class FrmContacts;
class FrmAbout;

// Create the instance on first use (its creation step, then its load step) and return it.
FrmMain& theFrmMain();
frmStep1& theFrmStep1();
FrmContacts& theFrmContacts();

// Whether an instance exists yet, without creating one.
bool frmStep1Loaded();
bool frmContactsLoaded();

// The About window exists only while it is shown; nullptr otherwise.
FrmAbout* theFrmAbout();
// Creates the About window and shows it modally over owner; returns once it is closed.
void showAbout(QWidget* owner);

// Destroys every window instance (at the end of main, and between tests).
void unloadAllForms();

}  // namespace mailferry::app
