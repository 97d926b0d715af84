// The terminal's progress line.
#include "cli/ProgressLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mailferry::cli {

namespace {

std::string clockText(double seconds) {
  const auto whole = static_cast<long long>(std::ceil(seconds));
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace

std::string progressLine(std::size_t done, std::size_t total, std::string_view items,
                         std::optional<double> perSecond) {
  done = std::min(done, total);
  const double percent =
      total > 0 ? 100.0 * static_cast<double>(done) / static_cast<double>(total) : 100.0;
  char figures[96];
  std::snprintf(figures, sizeof figures, "%zu/%zu ", done, total);
  std::string line = figures;
  line += items;
  std::snprintf(figures, sizeof figures, "  %5.1f%%  ", percent);
  line += figures;
  const bool rated = perSecond && *perSecond > 0;
  if (rated) {
    std::snprintf(figures, sizeof figures, *perSecond < 10 ? "%.1f/s  " : "%.0f/s  ", *perSecond);
    line += figures;
  }
  if (done == total) return line + "done";
  if (!rated) return line + "--/s  --:-- left";
  line += clockText(static_cast<double>(total - done) / *perSecond) + " left";
  return line;
}

}  // namespace mailferry::cli
