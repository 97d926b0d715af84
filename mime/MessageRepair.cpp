// Repairs of the raw message bytes before GMime parses them again.
#include "mime/MessageRepair.h"

#include <algorithm>
#include <optional>

namespace mailferry::mime {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kRepeatedPrefix = "X-Repeated-";

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view lineBreakOf(std::string_view message) {
  const std::size_t lf = message.find('\n');
  return lf != std::string_view::npos && lf > 0 && message[lf - 1] == '\r' ? "\r\n" : "\n";
}

bool hasEmptyLine(std::string_view text) {
  return text.find("\n\n") != std::string_view::npos ||
         text.find("\n\r\n") != std::string_view::npos;
}

}  // namespace

std::size_t leadingJunkLength(std::span<const char> head) {
  std::string_view text(head.data(), head.size());
  std::size_t skip = 0;
  if (text.starts_with(kByteOrderMark)) skip = kByteOrderMark.size();
  while (skip < text.size() && isBlank(text[skip])) ++skip;
  return skip;
}

std::vector<RepairPoint> nulBytesInHeader(std::string_view message) {
  std::vector<RepairPoint> points;
  if (message.find('\0') == std::string_view::npos) return points;  // memchr: the usual case
  // The header block ends at the first empty line.
  std::size_t end = 0;
  while (end < message.size()) {
    const std::size_t lf = message.find('\n', end);
    if (lf == std::string_view::npos) {
      end = message.size();
      break;
    }
    const bool empty = lf == end || (lf == end + 1 && message[end] == '\r');
    if (empty) break;
    end = lf + 1;
  }
  for (std::size_t at = message.find('\0'); at < end && points.size() < kMaxRepairPoints;
       at = message.find('\0', at + 1)) {
    points.push_back({static_cast<std::int64_t>(at), RepairPoint::Kind::kNulInHeader});
  }
  return points;
}

std::vector<RepairPoint> malformedClosings(std::string_view message,
                                           const std::vector<std::string>& boundaries) {
  std::vector<RepairPoint> points;
  for (const std::string& boundary : boundaries) {
    const std::string delimiter = "--" + boundary + "-";
    for (std::size_t at = message.find(delimiter); at != std::string_view::npos;
         at = message.find(delimiter, at + 1)) {
      if (at > 0 && message[at - 1] != '\n') continue;
      std::size_t end = message.find('\n', at);
      if (end == std::string_view::npos) end = message.size();
      std::string_view rest = message.substr(at + delimiter.size(), end - at - delimiter.size());
      if (rest.starts_with('-')) rest.remove_prefix(1);
      if (rest.find_first_not_of(" \t\r") == std::string_view::npos &&
          message[at + delimiter.size()] == '-') {
        continue;  // "--b--" as it should be
      }
      if (points.size() >= kMaxRepairPoints) return points;
      points.push_back({static_cast<std::int64_t>(at), RepairPoint::Kind::kClosingBoundary,
                        delimiter.size() - 1});
    }
  }
  return points;
}

std::string applyRepairs(std::string_view message, std::vector<RepairPoint> points) {
  std::sort(points.begin(), points.end(),
            [](const RepairPoint& a, const RepairPoint& b) { return a.offset < b.offset; });
  const std::string_view lineBreak = lineBreakOf(message);
  std::string out;
  out.reserve(message.size() + points.size() * 16);
  std::size_t copied = 0;
  // Where the body of the last repaired header block starts: GMime read the lines after it as
  // more header lines, so what it said about them (more bad lines, repeated fields) is no
  // finding until the next parse, unless an empty line ended that block first.
  std::optional<std::size_t> bodyFrom;
  for (const RepairPoint& point : points) {
    const auto at = static_cast<std::size_t>(point.offset);
    if (point.offset < 0 || at < copied || at >= message.size()) continue;
    if (point.kind == RepairPoint::Kind::kNulInHeader) {
      if (message[at] != '\0') continue;
      out.append(message.substr(copied, at - copied));
      out += ' ';
      copied = at + 1;
      continue;
    }
    if (point.kind == RepairPoint::Kind::kClosingBoundary) {
      out.append(message.substr(copied, at + point.length - copied));
      out += "--";
      out.append(lineBreak);
      copied = at + point.length;
      while (copied < message.size() && message[copied] == '-') ++copied;
      continue;
    }
    // The first line of the message is never a body; a point is taken once, at a line start.
    if (at == 0 || message[at - 1] != '\n') continue;
    if (bodyFrom && !hasEmptyLine(message.substr(*bodyFrom, at - *bodyFrom))) continue;
    out.append(message.substr(copied, at - copied));
    copied = at;
    if (point.kind == RepairPoint::Kind::kBodyStartsHere) {
      out.append(lineBreak);
      bodyFrom = at;
    } else {
      out.append(kRepeatedPrefix);
    }
  }
  out.append(message.substr(copied));
  return out;
}

}  // namespace mailferry::mime
