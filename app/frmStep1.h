// frmStep1: the email conversion window, which lists .eml and .emlx files.
#pragma once

#include "app/ConversionForm.h"

namespace mailferry::app {

class frmStep1 : public ConversionForm {
  Q_OBJECT

 public:
  frmStep1();
};

}  // namespace mailferry::app
