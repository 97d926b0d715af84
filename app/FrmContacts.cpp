// The contacts conversion window's captions and places: no hidden-files hint, so the
// block from the folder button down to Convert sits 360 twips higher.
#include "app/FrmContacts.h"

namespace mailferry::app {

namespace {

const ConversionLayout kContactsLayout{
    sources::WindowKind::Contacts,
    "Convert Contacts",
    "Select Windows Contacts Folder...",
    "Converting Windows Contacts",
    "Contacts not initialized yet...",
    "Converting Contacts...",
    false,
    360,
};

}  // namespace

FrmContacts::FrmContacts() : ConversionForm(kContactsLayout) {}

}  // namespace mailferry::app
