// The email conversion window's captions and places.
#include "app/frmStep1.h"

namespace mailferry::app {

namespace {

const ConversionLayout kEmailLayout{
    sources::WindowKind::Email,
    "Convert Mail Messages",
    "Select Windows Mail Store Location to Convert...",
    "Converting Windows Mail Messages",
    "Messages not initialized yet...",
    "Converting Messages...",
    true,
    0,
};

}  // namespace

frmStep1::frmStep1() : ConversionForm(kEmailLayout) {}

}  // namespace mailferry::app
