// Opening a message file (or bytes), parsing it with GMime and handing it to the converter.
#include "mime/MessageImporter.h"

#include <fcntl.h>

#include "mime/EmlxReader.h"
#include "mime/GMimeHandles.h"
#include "mime/MessageConverter.h"
#include "mime/WholeFile.h"

namespace mailferry::mime {

namespace {

constexpr std::size_t kMaxParserWarnings = 20;

struct ParserOptionsFree {
  void operator()(GMimeParserOptions* options) const { g_mime_parser_options_free(options); }
};
using ParserOptionsPtr = std::unique_ptr<GMimeParserOptions, ParserOptionsFree>;

const char* describe(GMimeParserWarning warning) {
  switch (warning) {
    case GMIME_WARN_DUPLICATED_HEADER:
      return "a header field appears twice";
    case GMIME_WARN_DUPLICATED_PARAMETER:
      return "a header parameter appears twice";
    case GMIME_WARN_UNENCODED_8BIT_HEADER:
      return "unencoded 8-bit header text";
    case GMIME_WARN_INVALID_CONTENT_TYPE:
      return "invalid Content-Type, read as application/octet-stream";
    case GMIME_WARN_INVALID_RFC2047_HEADER_VALUE:
      return "invalid RFC 2047 encoded header text";
    case GMIME_WARN_MALFORMED_MULTIPART:
      return "a multipart without parts";
    case GMIME_WARN_TRUNCATED_MESSAGE:
      return "the message is truncated";
    case GMIME_WARN_MALFORMED_MESSAGE:
      return "the message is malformed";
    case GMIME_CRIT_INVALID_HEADER_NAME:
      return "an invalid header name";
    case GMIME_CRIT_CONFLICTING_HEADER:
      return "conflicting header fields";
    case GMIME_CRIT_CONFLICTING_PARAMETER:
      return "conflicting header parameters";
    case GMIME_CRIT_MULTIPART_WITHOUT_BOUNDARY:
      return "a multipart without boundary";
    case GMIME_WARN_INVALID_PARAMETER:
      return "an invalid header parameter";
    case GMIME_WARN_INVALID_ADDRESS_LIST:
      return "an invalid address list";
    case GMIME_CRIT_NESTING_OVERFLOW:
      return "MIME nesting too deep: the deepest parts were left out";
    case GMIME_WARN_PART_WITHOUT_CONTENT:
      return "a part without content";
    case GMIME_CRIT_PART_WITHOUT_HEADERS_OR_CONTENT:
      return "a part without headers or content";
  }
  return "unreadable MIME structure";
}

void collectWarning(gint64 offset, GMimeParserWarning code, const gchar* /*item*/, gpointer data) {
  auto& warnings = *static_cast<std::vector<std::string>*>(data);
  const std::string text = describe(code);
  if (warnings.size() >= kMaxParserWarnings) return;
  for (const auto& seen : warnings) {
    if (seen.starts_with(text)) return;  // once per kind is enough
  }
  warnings.push_back(offset >= 0 ? text + " (at byte " + std::to_string(offset) + ")" : text);
}

ImportReport importFromStream(GMimeStream* fileStream, pst::MessageSink& sink,
                              const std::filesystem::path& name, const ImportOptions& options) {
  ImportReport report;
  const gint64 length = g_mime_stream_length(fileStream);
  if (length == 0) throw ImportError(name, "the file is empty");

  GObjectPtr<GMimeStream> messageStream;
  if (auto frame = findEmlxFrame(fileStream, report.warnings)) {
    if (frame->end <= frame->start) throw ImportError(name, "the .emlx file holds no message");
    messageStream.reset(g_mime_stream_substream(fileStream, frame->start, frame->end));
  } else {
    g_object_ref(fileStream);
    messageStream.reset(fileStream);
  }
  g_mime_stream_reset(messageStream.get());

  ParserOptionsPtr parserOptions(g_mime_parser_options_new());
  // Raw 8-bit header text: UTF-8 when it is valid, else windows-1252.
  const char* fallback[] = {"UTF-8", "windows-1252", nullptr};
  g_mime_parser_options_set_fallback_charsets(parserOptions.get(), fallback);
  std::vector<std::string> parserWarnings;
  g_mime_parser_options_set_warning_callback(parserOptions.get(), collectWarning, &parserWarnings);

  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(messageStream.get()));
  // Part contents stay in the file and are read when they are copied: a large attachment is
  // never held in memory.
  g_mime_parser_set_persist_stream(parser.get(), TRUE);
  GObjectPtr<GMimeMessage> message(
      g_mime_parser_construct_message(parser.get(), parserOptions.get()));
  if (!message) throw ImportError(name, "not a message: no header fields found");
  if (g_mime_header_list_get_count(g_mime_object_get_header_list(GMIME_OBJECT(message.get()))) ==
      0) {
    throw ImportError(name, "not a message: no header fields found");
  }

  MessageConverter converter(options, report);
  converter.convert(message.get(), sink, 0);
  // The callback's list lives here; later parses of attached messages reuse nothing of it.
  report.warnings.insert(report.warnings.end(), parserWarnings.begin(), parserWarnings.end());
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
