// FrmContacts: the contacts conversion window, which lists .contact files.
#pragma once

#include "app/ConversionForm.h"

namespace mailferry::app {

class FrmContacts : public ConversionForm {
  Q_OBJECT

 public:
  FrmContacts();
};

}  // namespace mailferry::app
