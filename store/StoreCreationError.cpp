// The store creation error message.
#include "store/StoreCreationError.h"

namespace mailferry::store {

std::string storeCreationErrorText(const std::string& cause) {
  std::string text = "The PST file could not be created.";
  if (!cause.empty()) text += "\r\n" + cause;
  return text;
}

}  // namespace mailferry::store
