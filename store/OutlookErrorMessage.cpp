// The store error message.
#include "store/OutlookErrorMessage.h"

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

}  // namespace mailferry::store
