// Opening a message file (or bytes), parsing it with GMime and handing it to the converter.
#include "mime/MessageImporter.h"

#include <fcntl.h>

#include "mime/EmlxReader.h"
#include "mime/GMimeHandles.h"
#include "mime/MessageConverter.h"
#include "mime/MessageParser.h"
#include "mime/MessageRepair.h"
#include "mime/WholeFile.h"

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
ParsedMessage parseRepairing(GMimeStream* stream, GObjectPtr<GMimeStream>& repairedStream) {
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
    repairedStream.reset(g_mime_stream_mem_new_with_buffer(repaired.data(), repaired.size()));
    stream = repairedStream.get();
    parsed = parseMessage(stream);
  }
  return parsed;
}

bool hasHeaderFields(GMimeObject* object) {
  return object != nullptr &&
         g_mime_header_list_get_count(g_mime_object_get_header_list(object)) > 0;
}

ImportReport importFromStream(GMimeStream* fileStream, pst::MessageSink& sink,
                              const std::filesystem::path& name, const ImportOptions& options) {
  ImportReport report;
  const gint64 length = g_mime_stream_length(fileStream);
  if (length == 0) throw ImportError(name, "the file is empty");

  GObjectPtr<GMimeStream> messageStream;
  if (auto frame = findEmlxFrame(fileStream, isEmlxName(name), report.warnings)) {
    if (frame->end <= frame->start) throw ImportError(name, "the .emlx file holds no message");
    messageStream.reset(g_mime_stream_substream(fileStream, frame->start, frame->end));
  } else {
    g_object_ref(fileStream);
    messageStream.reset(fileStream);
  }
  g_mime_stream_reset(messageStream.get());
  skipLeadingJunk(messageStream.get());

  GObjectPtr<GMimeStream> repairedStream;
  ParsedMessage parsed = parseRepairing(messageStream.get(), repairedStream);
  GMimeMessage* message = parsed.message.get();
  // A message whose only fields are Content-* ones has them on its MIME part: still a message.
  if (message == nullptr || (!hasHeaderFields(GMIME_OBJECT(message)) &&
                             !hasHeaderFields(g_mime_message_get_mime_part(message)))) {
    throw ImportError(name, "not a message: no header fields found");
  }

  MessageConverter converter(options, report);
  converter.convert(message, sink, 0);
  report.warnings.insert(report.warnings.end(), parsed.warnings.begin(), parsed.warnings.end());
  return report;
}

// Messages are read whole into memory, in one call: GMime's parser and the part streams it
// keeps read a file stream a few kilobytes at a time with a seek before each read, which cost
// more than the rest of the import. The buffer is kept for the next file of the thread unless
// it grew large. Files past the whole-file limit are read through a buffered file stream.
constexpr guint kLargestKeptBuffer = 8u << 20;

ByteArrayPtr& keptBuffer() {
  thread_local ByteArrayPtr buffer;
  return buffer;
}

GObjectPtr<GMimeStream> openFileStream(const std::filesystem::path& path) {
  GError* openError = nullptr;
  GObjectPtr<GMimeStream> file(g_mime_stream_fs_open(path.c_str(), O_RDONLY, 0, &openError));
  if (!file) {
    const std::string reason = openError != nullptr ? openError->message : "cannot be opened";
    if (openError != nullptr) g_error_free(openError);
    throw ImportError(path, reason);
  }
  return GObjectPtr<GMimeStream>(
      g_mime_stream_buffer_new(file.get(), GMIME_STREAM_BUFFER_BLOCK_READ));
}

}  // namespace

ImportReport importMessageFile(const std::filesystem::path& path, pst::MessageSink& sink,
                               const ImportOptions& options) {
  ensureGMime();
  WholeFile whole = readWholeFile(path, std::move(keptBuffer()));
  if (!whole.error.empty()) throw ImportError(path, whole.error);
  if (!whole.bytes) return importFromStream(openFileStream(path).get(), sink, path, options);
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_byte_array(whole.bytes.get()));
  g_mime_stream_mem_set_owner(GMIME_STREAM_MEM(stream.get()), FALSE);
  ImportReport report = importFromStream(stream.get(), sink, path, options);
  stream.reset();  // with it goes everything parsed from it: the buffer is free again
  if (whole.bytes->len <= kLargestKeptBuffer) keptBuffer() = std::move(whole.bytes);
  return report;
}

ImportReport importMessageBytes(std::span<const std::uint8_t> bytes, pst::MessageSink& sink,
                                const std::filesystem::path& name, const ImportOptions& options) {
  ensureGMime();
  GObjectPtr<GMimeStream> stream(
      g_mime_stream_mem_new_with_buffer(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return importFromStream(stream.get(), sink, name, options);
}

}  // namespace mailferry::mime
