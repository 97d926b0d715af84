// The single instances of the windows and the modal show of the About window.
#include "app/Forms.h"

#include <QCoreApplication>
#include <memory>

#include "app/FrmAbout.h"
#include "app/FrmContacts.h"
#include "app/FrmMain.h"
#include "app/frmStep1.h"

namespace mailferry::app {

namespace {

struct Instances {
  std::unique_ptr<FrmMain> main;
  std::unique_ptr<frmStep1> email;
  std::unique_ptr<FrmContacts> contacts;
  FrmAbout* about = nullptr;  // owned by showAbout while it runs
};

Instances& instances() {
  static Instances all;
  return all;
}

template <typename Window>
Window& loaded(std::unique_ptr<Window>& slot) {
  if (!slot) {
    slot = std::make_unique<Window>();  // the constructor runs the creation step
    slot->Form_Load();
  }
  return *slot;
}

}  // namespace

FrmMain& theFrmMain() {
  auto& slot = instances().main;
  if (!slot) slot = std::make_unique<FrmMain>();
  return *slot;
}

frmStep1& theFrmStep1() {
  return loaded(instances().email);
}

FrmContacts& theFrmContacts() {
  return loaded(instances().contacts);
}

bool frmStep1Loaded() {
  return instances().email != nullptr;
}

bool frmContactsLoaded() {
  return instances().contacts != nullptr;
}

FrmAbout* theFrmAbout() {
  return instances().about;
}

void showAbout(QWidget* owner) {
  auto about = std::make_unique<FrmAbout>(owner);
  instances().about = about.get();
  struct Forget {
    ~Forget() { instances().about = nullptr; }
  } forget;
  about->exec();
}

void unloadAllForms() {
  Instances& all = instances();
  all.contacts.reset();
  all.email.reset();
  all.main.reset();
}

}  // namespace mailferry::app
