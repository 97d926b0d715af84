// The terminal conversion window: progress on standard error, message boxes there too.
#include "cli/TerminalWindow.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace mailferry::cli {

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

int terminalColumns(std::FILE* out) {
  winsize size{};
  if (ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

// The phase of a status caption: what comes before the folder in parentheses.
std::string phaseOf(const std::string& caption) {
  std::string phase = caption.substr(0, caption.find(" ("));
  while (!phase.empty() && phase.back() == ' ') phase.pop_back();
  return phase;
}

}  // namespace

TerminalWindow::TerminalWindow(sources::WindowKind kind, std::FILE* out)
    : PlainWindow(kind), out_(out), terminal_(isatty(fileno(out)) != 0) {}

TerminalWindow::~TerminalWindow() {
  endBar();
}

void TerminalWindow::setCurrentCaption(const std::string& text) {
  PlainWindow::setCurrentCaption(text);
  draw(false);
}

void TerminalWindow::setProgressValue(float value) {
  PlainWindow::setProgressValue(value);
  draw(false);
}

void TerminalWindow::draw(bool force) {
  const float span = progressMax() - progressMin();
  const double percent =
      span > 0 ? std::clamp((progressValue() - progressMin()) / span * 100.0, 0.0, 100.0) : 0.0;
  const std::string current = currentCaption();
  const std::string phase = phaseOf(current);
  if (!terminal_) {
    // Plain lines for logs: one per phase and one per tenth of the progress bar.
    // The value is stored in single precision: 70 may arrive as 69.99999.
    const int tenth = static_cast<int>(std::floor(percent / 10.0 + 1e-4));
    const bool converting = phase.starts_with("Converting");
    if (phase != lastPhase_) {
      std::fprintf(out_, "%s\n", phase.c_str());
      lastPhase_ = phase;
    }
    if (converting && tenth != lastTenth_) {
      std::fprintf(out_, "  %3.0f%%\n", percent);
      lastTenth_ = tenth;
    }
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (!force && percent < 100.0 && phase == lastPhase_ && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  lastPhase_ = phase;
  const int filled = static_cast<int>(percent / 100.0 * kBarWidth);
  std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] ";
  char number[16];
  std::snprintf(number, sizeof number, "%5.1f%% ", percent);
  line += number;
  line += current;
  const auto columns = static_cast<std::size_t>(std::max(terminalColumns(out_) - 1, 10));
  if (line.size() > columns) line.resize(columns);
  std::fprintf(out_, "\r\033[K%s", line.c_str());
  std::fflush(out_);
  barShown_ = true;
}

void TerminalWindow::endBar() {
  if (!barShown_) return;
  std::fputc('\n', out_);
  std::fflush(out_);
  barShown_ = false;
}

void TerminalWindow::showMessage(const std::string& text, const std::string& title) {
  endBar();
  std::string plain = text;
  // Message boxes break lines with CR LF; a terminal wants LF alone.
  for (auto at = plain.find("\r\n"); at != std::string::npos; at = plain.find("\r\n", at)) {
    plain.erase(at, 1);
  }
  std::fprintf(out_, "%s: %s\n", title.c_str(), plain.c_str());
  std::fflush(out_);
}

}  // namespace mailferry::cli
