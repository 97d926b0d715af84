// The terminal conversion window: progress on standard error, message boxes there too.
#include "cli/TerminalWindow.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "cli/ProgressLine.h"

namespace mailferry::cli {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// A rate measured over less time than this says little: none is shown before.
constexpr std::chrono::duration<double> kFirstRate = std::chrono::milliseconds(500);

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

TerminalWindow::TerminalWindow(sources::WindowKind kind, std::FILE* out, bool quiet, Clock clock)
    : PlainWindow(kind),
      out_(out),
      terminal_(isatty(fileno(out)) != 0),
      quiet_(quiet),
      clock_(std::move(clock)) {}

TerminalWindow::~TerminalWindow() {
  endLine();
}

void TerminalWindow::setCurrentCaption(const std::string& text) {
  PlainWindow::setCurrentCaption(text);
  draw(true);
}

void TerminalWindow::setProgressValue(float value) {
  PlainWindow::setProgressValue(value);
  draw(false);
}

void TerminalWindow::draw(bool fromCaption) {
  if (quiet_) return;
  const float span = progressMax() - progressMin();
  const double percent =
      span > 0 ? std::clamp((progressValue() - progressMin()) / span * 100.0, 0.0, 100.0) : 0.0;
  const std::string phase = phaseOf(currentCaption());
  if (terminal_) {
    drawLive(percent, phase, fromCaption);
  } else {
    drawPlain(percent, phase);
  }
}

// Plain lines for logs: one per phase and one per tenth of the progress bar.
void TerminalWindow::drawPlain(double percent, const std::string& phase) {
  // The value is stored in single precision: 70 may arrive as 69.99999.
  const int tenth = static_cast<int>(std::floor(percent / 10.0 + 1e-4));
  if (phase != lastPhase_) {
    std::fprintf(out_, "%s\n", phase.c_str());
    lastPhase_ = phase;
  }
  if (phase.starts_with("Converting") && tenth != lastTenth_) {
    std::fprintf(out_, "  %3.0f%%\n", percent);
    lastTenth_ = tenth;
  }
}

// One line, rewritten in place: the caption while the folders are read and made, then the
// count, percentage, rate and time left while the files are converted.
void TerminalWindow::drawLive(double percent, const std::string& phase, bool fromCaption) {
  const bool converting = phase.starts_with("Converting");
  // The converting caption names only the folder, which the line does not show; the
  // progress value that follows it redraws.
  if (converting && fromCaption && phase == lastPhase_) return;
  const auto now = clock_();
  const std::size_t total = listed().size();
  const auto done = static_cast<std::size_t>(std::lround(percent / 100.0 * total));
  if (converting && !fromCaption && !rateFrom_) {
    rateFrom_ = now;
    rateFromDone_ = done;
  }
  const bool complete = converting && done == total;
  if (!complete && phase == lastPhase_ && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  lastPhase_ = phase;
  const char* items = kind() == sources::WindowKind::Email ? "messages" : "contacts";
  std::string line =
      converting ? progressLine(done, total, items, rate(done, now)) : currentCaption();
  const auto columns = static_cast<std::size_t>(std::max(terminalColumns(out_) - 1, 10));
  if (line.size() > columns) line.resize(columns);
  std::fprintf(out_, "\r\033[K%s", line.c_str());
  std::fflush(out_);
  lineShown_ = true;
}

std::optional<double> TerminalWindow::rate(std::size_t done,
                                           std::chrono::steady_clock::time_point now) {
  if (!rateFrom_) return std::nullopt;
  const std::chrono::duration<double> measured = now - *rateFrom_;
  if (measured < kFirstRate || done <= rateFromDone_) return std::nullopt;
  return static_cast<double>(done - rateFromDone_) / measured.count();
}

void TerminalWindow::endLine() {
  if (!lineShown_) return;
  std::fputc('\n', out_);
  std::fflush(out_);
  lineShown_ = false;
}

void TerminalWindow::showMessage(const std::string& text, const std::string& title) {
  if (quiet_) return;
  endLine();
  std::string plain = text;
  // Message boxes break lines with CR LF; a terminal wants LF alone.
  for (auto at = plain.find("\r\n"); at != std::string::npos; at = plain.find("\r\n", at)) {
    plain.erase(at, 1);
  }
  std::fprintf(out_, "%s: %s\n", title.c_str(), plain.c_str());
  std::fflush(out_);
}

}  // namespace mailferry::cli
