// A run's progress on standard error.
#include "cli/TerminalProgress.h"

#include <algorithm>
#include <utility>

#include "cli/Console.h"
#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"

namespace mailferry::cli {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// A rate measured over less time than this says little: none is shown before.
constexpr std::chrono::duration<double> kFirstRate = std::chrono::milliseconds(500);

// A step's status text without its folder: "Converting Messages... from".
std::string stepName(sources::WindowKind kind, sources::RunStep step) {
  std::string name = sources::statusCaption(kind, step, "");
  name = name.substr(0, name.find(" ("));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

}  // namespace

TerminalProgress::TerminalProgress(sources::WindowKind kind, std::FILE* out, bool quiet,
                                   Clock clock)
    : kind_(kind), out_(out), terminal_(isTerminal(out)), quiet_(quiet), clock_(std::move(clock)) {}

TerminalProgress::~TerminalProgress() {
  endLine();
}

void TerminalProgress::started(const std::string&, std::size_t files) {
  files_ = files;
}

void TerminalProgress::stepAt(sources::RunStep step, const std::string& folder, std::ptrdiff_t) {
  if (quiet_) return;
  const bool newStep = lastStep_ != step;
  if (!terminal_) return stepLine(step);
  lastStep_ = step;
  drawLive(sources::statusCaption(kind_, step, folder), newStep);
}

void TerminalProgress::fileDone(const sources::FileReport& file) {
  done_ = std::max(done_, file.index + 1);
  if (quiet_) return;
  const auto now = clock_();
  if (!rateFrom_) {
    rateFrom_ = now;
    rateFromDone_ = done_;
  }
  if (!terminal_) {
    if (lastStep_ != sources::RunStep::Converting) {
      stepLine(sources::RunStep::Converting);
      std::fprintf(out_, "  %3.0f%%\n", 0.0);
      lastTenth_ = 0;
    }
    const double percent =
        files_ > 0 ? 100.0 * static_cast<double>(done_) / static_cast<double>(files_) : 100.0;
    const int tenth = files_ > 0 ? static_cast<int>(done_ * 10 / files_) : 10;
    if (tenth != lastTenth_) {
      std::fprintf(out_, "  %3.0f%%\n", percent);
      lastTenth_ = tenth;
    }
    return;
  }
  const bool newStep = lastStep_ != sources::RunStep::Converting;
  lastStep_ = sources::RunStep::Converting;
  const char* items = kind_ == sources::WindowKind::Email ? "messages" : "contacts";
  drawLive(progressLine(done_, files_, items, rate(now)), newStep || done_ == files_);
}

void TerminalProgress::stepLine(sources::RunStep step) {
  if (lastStep_ == step) return;
  lastStep_ = step;
  std::fprintf(out_, "%s\n", stepName(kind_, step).c_str());
}

void TerminalProgress::drawLive(const std::string& text, bool must) {
  const auto now = clock_();
  if (!must && lastDraw_ && now - *lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  std::string line = text;
  const auto columns = static_cast<std::size_t>(std::max(terminalColumns(out_) - 1, 10));
  if (line.size() > columns) line.resize(columns);
  std::fprintf(out_, "\r\033[K%s", line.c_str());
  std::fflush(out_);
  lineShown_ = true;
}

std::optional<double> TerminalProgress::rate(std::chrono::steady_clock::time_point now) const {
  if (!rateFrom_) return std::nullopt;
  const std::chrono::duration<double> measured = now - *rateFrom_;
  if (measured < kFirstRate || done_ <= rateFromDone_) return std::nullopt;
  return static_cast<double>(done_ - rateFromDone_) / measured.count();
}

void TerminalProgress::endLine() {
  if (!lineShown_) return;
  std::fputc('\n', out_);
  std::fflush(out_);
  lineShown_ = false;
}

bool TerminalProgress::stopRequested() const {
  return StopSignals::stopRequested();
}

}  // namespace mailferry::cli
