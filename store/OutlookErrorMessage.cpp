// The store error message.
#include "store/OutlookErrorMessage.h"

#include "sources/Dialogs.h"

namespace mailferry::store {

namespace {
constexpr const char* kSupportAddress = "https://www.kestrolin.example/mailferry/support/outlook";
}

std::string outlookErrorText(const std::string& cause) {
  std::string text = "Outlook Session Creation Error !\r\n";
  text += "Check if Outlook is installed and configured.\r\n";
  text += "For more details visit this link : ";
  text += kSupportAddress;
  if (!cause.empty()) text += "\r\n" + cause;
  return text;
}

void showOutlookError(const std::string& cause) {
  sources::dialogs().messageBox(outlookErrorText(cause), kOutlookErrorTitle,
                                sources::MessageIcon::Information);
}

}  // namespace mailferry::store
