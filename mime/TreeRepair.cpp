// Repairs of a parsed MIME tree.
#include "mime/TreeRepair.h"

#include <cstring>
#include <utility>

#include "mime/RepairingParse.h"

namespace mailferry::mime {

namespace {

struct Place {
  GMimeObject* object;
  GMimeMultipart* parent;  // null for the message's own MIME part
  int index;
  int depth;
};

void replace(GMimeMessage* message, const Place& place, GMimeObject* with) {
  if (place.parent == nullptr) {
    g_mime_message_set_mime_part(message, with);
    return;
  }
  GObjectPtr<GMimeObject> old(g_mime_multipart_replace(place.parent, place.index, with));
}

std::string contentBytes(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (content == nullptr) return {};
  GObjectPtr<GMimeStream> out(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(content, out.get());  // decodes the transfer encoding
  const GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
  return array != nullptr ? std::string(reinterpret_cast<const char*>(array->data), array->len)
                          : std::string();
}

// RFC 2045 5.2: a Content-Type that is no type/subtype counts as text/plain. GMime reads it as
// application/octet-stream, which would turn the text into an attachment.
bool lacksSubtype(GMimeObject* object) {
  const char* raw = g_mime_object_get_header(object, "Content-Type");
  if (raw == nullptr) return false;
  const char* end = std::strchr(raw, ';');
  const std::string type(raw,
                         end != nullptr ? static_cast<std::size_t>(end - raw) : std::strlen(raw));
  return type.find('/') == std::string::npos;
}

void makeTextPlain(GMimeObject* object) {
  GObjectPtr<GMimeContentType> plain(g_mime_content_type_new("text", "plain"));
  if (const char* charset = g_mime_object_get_content_type_parameter(object, "charset")) {
    g_mime_content_type_set_parameter(plain.get(), "charset", charset);
  }
  g_mime_object_set_content_type(object, plain.get());
}

bool isEncodedMessage(GMimeObject* object) {
  GMimeContentType* type = g_mime_object_get_content_type(object);
  if (type == nullptr || !g_mime_content_type_is_type(type, "message", "rfc822")) return false;
  const GMimeContentEncoding encoding = g_mime_part_get_content_encoding(GMIME_PART(object));
  return encoding == GMIME_CONTENT_ENCODING_BASE64 ||
         encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
}

// The attached message of a message/rfc822 part sent in base64 or quoted-printable, as the
// message part GMime builds for one sent as it is; null when the decoded bytes hold no message.
GObjectPtr<GMimeMessagePart> decodedMessagePart(GMimePart* part) {
  const std::string bytes = contentBytes(part);
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  ParsedMessage parsed = parseRepairing(stream.get());
  if (!parsed.message || g_mime_header_list_get_count(g_mime_object_get_header_list(
                             GMIME_OBJECT(parsed.message.get()))) == 0) {
    return {};
  }
  GObjectPtr<GMimeMessagePart> messagePart(
      g_mime_message_part_new_with_message("rfc822", parsed.message.get()));
  for (const char* field : {"Content-Disposition", "Content-Description", "Content-ID"}) {
    if (const char* value = g_mime_object_get_header(GMIME_OBJECT(part), field)) {
      g_mime_object_set_header(GMIME_OBJECT(messagePart.get()), field, value, nullptr);
    }
  }
  return messagePart;
}

std::string multipartText(GMimeMultipart* multipart) {
  std::string text;
  if (const char* prologue = g_mime_multipart_get_prologue(multipart)) text += prologue;
  if (const char* epilogue = g_mime_multipart_get_epilogue(multipart)) text += epilogue;
  return text;
}

}  // namespace

GObjectPtr<GMimePart> rawTextPart(const std::string& bytes) {
  GObjectPtr<GMimePart> part(g_mime_part_new_with_type("text", "plain"));
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  GObjectPtr<GMimeDataWrapper> content(
      g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part.get(), content.get());
  return part;
}

void repairTree(GMimeMessage* message, int maxDepth, std::vector<std::string>& warnings) {
  GMimeObject* root = g_mime_message_get_mime_part(message);
  if (root == nullptr) return;
  std::vector<Place> pending{{root, nullptr, 0, 0}};
  while (!pending.empty()) {
    const Place place = pending.back();
    pending.pop_back();
    GMimeObject* object = place.object;
    if (GMIME_IS_MULTIPART(object)) {
      GMimeMultipart* multipart = GMIME_MULTIPART(object);
      const int count = g_mime_multipart_get_count(multipart);
      if (count == 0) {
        const std::string text = multipartText(multipart);
        if (text.find_first_not_of(" \t\r\n") == std::string::npos) continue;
        // The boundary never appears: what a mail program shows is the raw text.
        replace(message, place, GMIME_OBJECT(rawTextPart(text).get()));
        warnings.push_back("a multipart whose boundary never appears: its raw text kept as text");
        continue;
      }
      if (place.depth >= maxDepth) continue;
      for (int i = 0; i < count; ++i) {
        pending.push_back({g_mime_multipart_get_part(multipart, i), multipart, i, place.depth + 1});
      }
    } else if (GMIME_IS_PART(object)) {
      if (lacksSubtype(object)) {
        makeTextPlain(object);
      } else if (isEncodedMessage(object)) {
        if (auto messagePart = decodedMessagePart(GMIME_PART(object))) {
          replace(message, place, GMIME_OBJECT(messagePart.get()));
        }
      }
    }
  }
}

std::size_t countLeafParts(GMimeObject* root, const GMimePart* except) {
  std::size_t leaves = 0;
  std::vector<GMimeObject*> pending{root};
  while (!pending.empty()) {
    GMimeObject* object = pending.back();
    pending.pop_back();
    if (object == nullptr) continue;
    if (GMIME_IS_MULTIPART(object)) {
      GMimeMultipart* multipart = GMIME_MULTIPART(object);
      for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i) {
        pending.push_back(g_mime_multipart_get_part(multipart, i));
      }
    } else if (object != GMIME_OBJECT(except)) {
      ++leaves;
    }
  }
  return leaves;
}

GMimePart* deepestFirstTextPart(GMimeObject* root) {
  GMimeObject* object = root;
  std::vector<std::pair<GMimeMultipart*, int>> stack;
  while (true) {
    if (object != nullptr && GMIME_IS_MULTIPART(object) &&
        g_mime_multipart_get_count(GMIME_MULTIPART(object)) > 0) {
      stack.emplace_back(GMIME_MULTIPART(object), 0);
      object = g_mime_multipart_get_part(GMIME_MULTIPART(object), 0);
      continue;
    }
    if (object != nullptr && GMIME_IS_PART(object)) {
      GMimeContentType* type = g_mime_object_get_content_type(object);
      if (type != nullptr && (g_mime_content_type_is_type(type, "text", "plain") ||
                              g_mime_content_type_is_type(type, "text", "html"))) {
        return GMIME_PART(object);
      }
    }
    // Next sibling, climbing up where a multipart is done.
    while (!stack.empty() &&
           stack.back().second + 1 >= g_mime_multipart_get_count(stack.back().first)) {
      stack.pop_back();
    }
    if (stack.empty()) return nullptr;
    ++stack.back().second;
    object = g_mime_multipart_get_part(stack.back().first, stack.back().second);
  }
}

}  // namespace mailferry::mime
