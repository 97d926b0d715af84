// Entry point of the window tests: one application object for every test, as in the program.
#include <gtest/gtest.h>

#include "app/Forms.h"
#include "app/MailferryApplication.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  mailferry::app::MailferryApplication application(argc, argv);
  const int result = RUN_ALL_TESTS();
  mailferry::app::unloadAllForms();
  return result;
}
