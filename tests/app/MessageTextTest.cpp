// The message box keeps each file path in its text on one line.
#include <gtest/gtest.h>

#include "app/QtDialogs.h"

namespace mailferry::app {
namespace {

TEST(MessageTextTest, PathsKeepTheirBlanksTogetherAndTheRestWraps) {
  const QString nbsp(QChar(0x00A0));
  const QString text = keepPathsWhole(QStringLiteral(
      "2 messages converted, 1 failed.\nNot converted:\n/in/my mail/a.eml: no header\n"
      "Saved in: /out/Kestrolin8.12.26 0.30.12.pst\nSaved in: C:\\Out\\K 1.pst"));
  EXPECT_EQ(text, QStringLiteral("2 messages converted, 1 failed.\nNot converted:\n/in/my") + nbsp +
                      QStringLiteral("mail/a.eml: no header\nSaved in: /out/Kestrolin8.12.26") +
                      nbsp + QStringLiteral("0.30.12.pst\nSaved in: C:\\Out\\K") + nbsp +
                      QStringLiteral("1.pst"));
}

}  // namespace
}  // namespace mailferry::app
