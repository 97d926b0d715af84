// The parse with byte repairs: skip what comes before the first header line, parse, and where
// the parser met damage the bytes can mend, mend them and parse again.
#include "mime/RepairingParse.h"

#include <algorithm>
#include <string>
#include <vector>

#include "mime/MessageRepair.h"

namespace mailferry::mime {

namespace {

std::string readToEnd(GMimeStream* stream, gint64 from) {
  std::string bytes;
  if (g_mime_stream_seek(stream, from, GMIME_STREAM_SEEK_SET) < 0) return bytes;
  char buffer[16384];
  ssize_t n = 0;
  while ((n = g_mime_stream_read(stream, buffer, sizeof buffer)) > 0)
    bytes.append(buffer, static_cast<std::size_t>(n));
  return bytes;
}

// The NUL bytes in the header block of the message that starts at `start`; `stream` stays there.
std::vector<RepairPoint> nulRepairs(GMimeStream* stream, gint64 start) {
  constexpr std::size_t kHeaderLook = 64 * 1024;
  if (const auto bytes = memoryStreamBytes(stream)) {
    return nulBytesInHeader(
        {reinterpret_cast<const char*>(bytes->data()), std::min(bytes->size(), kHeaderLook)});
  }
  std::string head(kHeaderLook, '\0');
  const ssize_t n = g_mime_stream_read(stream, head.data(), head.size());
  head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  g_mime_stream_seek(stream, start, GMIME_STREAM_SEEK_SET);
  return nulBytesInHeader(head);
}

// Moves `stream` past what mail programs skip before the first header line (mime/MessageRepair.h).
void skipLeadingJunk(GMimeStream* stream) {
  const gint64 start = g_mime_stream_tell(stream);
  char head[512];
  const ssize_t n = g_mime_stream_read(stream, head, sizeof head);
  const std::size_t skip =
      n > 0 ? leadingJunkLength({head, static_cast<std::size_t>(n)}) : std::size_t{0};
  g_mime_stream_seek(stream, start + static_cast<gint64>(skip), GMIME_STREAM_SEEK_SET);
}

// The boundaries of the multiparts in `message`, attached messages included.
std::vector<std::string> boundariesOf(GMimeMessage* message) {
  constexpr std::size_t kMostBoundaries = 64;
  std::vector<std::string> boundaries;
  std::vector<GMimeObject*> pending{g_mime_message_get_mime_part(message)};
  while (!pending.empty() && boundaries.size() < kMostBoundaries) {
    GMimeObject* object = pending.back();
    pending.pop_back();
    if (object == nullptr) continue;
    if (GMIME_IS_MULTIPART(object)) {
      if (const char* boundary = g_mime_multipart_get_boundary(GMIME_MULTIPART(object))) {
        boundaries.emplace_back(boundary);
      }
      for (int i = 0; i < g_mime_multipart_get_count(GMIME_MULTIPART(object)); ++i)
        pending.push_back(g_mime_multipart_get_part(GMIME_MULTIPART(object), i));
    } else if (GMIME_IS_MESSAGE_PART(object)) {
      if (GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object)))
        pending.push_back(g_mime_message_get_mime_part(inner));
    }
  }
  return boundaries;
}

// Parses the message `stream` holds from its position on; where the parser met a header block
// without a blank line before its body or a Content-* field given twice, the bytes are repaired
// and parsed again (a few rounds: a repair can bring nested parts to light).
}  // namespace

ParsedMessage parseRepairing(GMimeStream* stream) {
  skipLeadingJunk(stream);
  constexpr int kRepairRounds = 4;
  const gint64 start = g_mime_stream_tell(stream);
  ParsedMessage parsed;
  parsed.repairs = nulRepairs(stream, start);
  if (parsed.repairs.empty()) parsed = parseMessage(stream);
  if (parsed.repairs.empty() && parsed.truncated && parsed.message) {
    // A multipart that never closed: a closing delimiter written wrong is the usual cause.
    parsed.repairs =
        malformedClosings(readToEnd(stream, start), boundariesOf(parsed.message.get()));
  }
  for (int round = 0; round < kRepairRounds && !parsed.repairs.empty(); ++round) {
    const std::string repaired =
        applyRepairs(readToEnd(stream, round == 0 ? start : 0), std::move(parsed.repairs));
    GObjectPtr<GMimeStream> repairedStream(
        g_mime_stream_mem_new_with_buffer(repaired.data(), repaired.size()));
    stream = repairedStream.get();
    parsed = parseMessage(stream);
    parsed.repairedBytes = std::move(repairedStream);
  }
  return parsed;
}

}  // namespace mailferry::mime
