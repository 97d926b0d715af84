// The cause of an engine error, told the way a user can act on it.
#include <cctype>

#include "pst/PstError.h"
#include "store/StoreError.h"

namespace mailferry::store {

namespace {

// The engine's text is "<what>: <system message> (<file>, offset <n>)"; a user needs the
// system message ("No space left on device") and nothing of the rest.
std::string plainCause(const pst::PstError& error) {
  std::string text = error.what();
  if (!error.file().empty()) {
    const auto at = text.rfind(" (" + error.file());
    if (at != std::string::npos) text.erase(at);
  }
  const auto colon = text.rfind(": ");
  if (colon != std::string::npos) text.erase(0, colon + 2);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

}  // namespace

StoreFailure::StoreFailure(const pst::PstError& error) : StoreError(plainCause(error)) {}

}  // namespace mailferry::store
