#include "mime/MessageParser.h"

#include <optional>
#include <span>

#include "mime/MessageSkeleton.h"

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

// Where the parser's warnings go: words for the report, offsets in the message's stream.
struct WarningList {
  std::vector<std::string> texts;
  const MessageSkeleton* skeleton = nullptr;  // set while the parser reads a skeleton
  gint64 skeletonBase = 0;                    // the message's first offset in its own stream
  gint64 start = 0;                           // where the parse started in the stream
  std::vector<RepairPoint> repairs;
  bool truncated = false;
};

// A line GMime could not read as a header field is where the body begins when it has no colon
// at all (text, base64) or is a boundary; a field name with a stray space stays a bad field.
bool startsBody(const gchar* line) {
  if (line == nullptr) return false;
  const std::string_view text(line);
  return text.starts_with("--") || text.find(':') == std::string_view::npos;
}

bool isContentField(const gchar* name) {
  return name != nullptr && g_ascii_strncasecmp(name, "Content-", 8) == 0;
}

void noteRepair(WarningList& list, gint64 offset, GMimeParserWarning code, const gchar* item) {
  if (offset < 0 || list.repairs.size() >= kMaxRepairPoints) return;
  if (code == GMIME_CRIT_INVALID_HEADER_NAME && startsBody(item)) {
    list.repairs.push_back({offset - list.start, RepairPoint::Kind::kBodyStartsHere});
  } else if (code == GMIME_CRIT_CONFLICTING_HEADER && isContentField(item)) {
    list.repairs.push_back({offset - list.start, RepairPoint::Kind::kRepeatedContent});
  }
}

void collectWarning(gint64 offset, GMimeParserWarning code, const gchar* item, gpointer data) {
  auto& list = *static_cast<WarningList*>(data);
  if (offset >= 0 && list.skeleton != nullptr) {
    offset = list.skeletonBase + list.skeleton->messageOffset(offset);
  }
  noteRepair(list, offset, code, item);
  if (code == GMIME_WARN_TRUNCATED_MESSAGE) list.truncated = true;
  const std::string text = describe(code);
  if (list.texts.size() >= kMaxParserWarnings) return;
  for (const auto& seen : list.texts) {
    if (seen.starts_with(text)) return;  // once per kind is enough
  }
  list.texts.push_back(offset >= 0 ? text + " (at byte " + std::to_string(offset) + ")" : text);
}

ParserOptionsPtr importOptions() {
  ParserOptionsPtr options(g_mime_parser_options_new());
  // Raw 8-bit header text: UTF-8 when it is valid, else windows-1252.
  const char* fallback[] = {"UTF-8", "windows-1252", nullptr};
  g_mime_parser_options_set_fallback_charsets(options.get(), fallback);
  return options;
}

GObjectPtr<GMimeMessage> construct(GMimeStream* stream, WarningList& warnings) {
  ParserOptionsPtr options = importOptions();
  g_mime_parser_options_set_warning_callback(options.get(), collectWarning, &warnings);
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream));
  // Part contents stay in the stream and are read when they are copied: a large attachment is
  // never held in memory twice.
  g_mime_parser_set_persist_stream(parser.get(), TRUE);
  return GObjectPtr<GMimeMessage>(g_mime_parser_construct_message(parser.get(), options.get()));
}

std::optional<ParsedMessage> parseSkeleton(GMimeStream* stream) {
  const auto bytes = memoryStreamBytes(stream);
  if (!bytes) return std::nullopt;
  auto skeleton =
      MessageSkeleton::of({reinterpret_cast<const char*>(bytes->data()), bytes->size()});
  if (!skeleton) return std::nullopt;
  WarningList warnings;
  warnings.skeleton = &*skeleton;
  warnings.skeletonBase = stream->position;
  warnings.start = stream->position;
  ParsedMessage parsed;
  parsed.message = construct(skeleton->stream(), warnings);
  if (!parsed.message ||
      !skeleton->pointAtMessage(parsed.message.get(), stream, stream->position)) {
    return std::nullopt;
  }
  parsed.warnings = std::move(warnings.texts);
  parsed.repairs = std::move(warnings.repairs);
  parsed.truncated = warnings.truncated;
  parsed.fromSkeleton = true;
  return parsed;
}

}  // namespace

GMimeParserOptions* headerDecodingOptions() {
  thread_local ParserOptionsPtr options = importOptions();
  return options.get();
}

ParsedMessage parseMessage(GMimeStream* stream, ParseWay way) {
  if (way == ParseWay::kBest) {
    if (auto parsed = parseSkeleton(stream)) return std::move(*parsed);
  }
  WarningList warnings;
  warnings.start = g_mime_stream_tell(stream);
  ParsedMessage parsed;
  parsed.message = construct(stream, warnings);
  parsed.warnings = std::move(warnings.texts);
  parsed.repairs = std::move(warnings.repairs);
  parsed.truncated = warnings.truncated;
  return parsed;
}

}  // namespace mailferry::mime
