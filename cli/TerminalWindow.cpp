// The terminal conversion window: message boxes on standard error.
#include "cli/TerminalWindow.h"

namespace mailferry::cli {

void TerminalWindow::showMessage(const std::string& text, const std::string& title) {
  if (quiet_) return;
  std::string plain = text;
  // Message boxes break lines with CR LF; a terminal wants LF alone.
  for (auto at = plain.find("\r\n"); at != std::string::npos; at = plain.find("\r\n", at)) {
    plain.erase(at, 1);
  }
  std::fprintf(out_, "%s: %s\n", title.c_str(), plain.c_str());
  std::fflush(out_);
}

}  // namespace mailferry::cli
