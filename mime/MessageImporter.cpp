// Opening a message file (or bytes), parsing it with GMime and handing it to the converter.
#include "mime/MessageImporter.h"

#include <fcntl.h>

#include "mime/EmlxReader.h"
#include "mime/GMimeHandles.h"
#include "mime/MessageConverter.h"
#include "mime/MessageParser.h"
#include "mime/RepairingParse.h"
#include "mime/WholeFile.h"

namespace mailferry::mime {

namespace {

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
  ParsedMessage parsed = parseRepairing(messageStream.get());
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
#ifdef _WIN32
  // GMime opens through g_open, which takes UTF-8 there; binary, or CR LF would be changed.
  const std::u8string name = path.u8string();
  GObjectPtr<GMimeStream> file(g_mime_stream_fs_open(reinterpret_cast<const char*>(name.c_str()),
                                                     O_RDONLY | O_BINARY, 0, &openError));
#else
  GObjectPtr<GMimeStream> file(g_mime_stream_fs_open(path.c_str(), O_RDONLY, 0, &openError));
#endif
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
