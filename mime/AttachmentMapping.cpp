// Attachment properties and data for leaf parts, whole entities and attached messages.
#include "mime/AttachmentMapping.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "mime/BodySelection.h"
#include "mime/Charsets.h"
#include "mime/GMimeHandles.h"
#include "mime/PartContent.h"
#include "mime/TnefAttachment.h"
#include "pst/KnownTags.h"
#include "pst/Utf.h"

namespace mailferry::mime {

namespace tags = pst::tags;

namespace {

using pst::PropValue;

std::string mimeTypeOf(GMimeObject* object) {
  GMimeContentType* type = g_mime_object_get_content_type(object);
  if (type == nullptr) return "application/octet-stream";
  std::string text = takeString(g_mime_content_type_get_mime_type(type));
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string utf8Or1252(const char* text) {
  if (text == nullptr) return {};
  return toUtf8(text, "").utf8;
}

bool isInlineImageType(const std::string& mimeType) {
  static constexpr std::array<std::string_view, 7> kTypes{"image/jpeg", "image/jpg", "image/pjpeg",
                                                          "image/gif",  "image/bmp", "image/png",
                                                          "image/x-png"};
  return std::find(kTypes.begin(), kTypes.end(), mimeType) != kTypes.end();
}

std::size_t findNoCase(const std::string& text, const std::string& needle) {
  auto it = std::search(text.begin(), text.end(), needle.begin(), needle.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
  return it == text.end() ? std::string::npos : static_cast<std::size_t>(it - text.begin());
}

void setDispositionTimes(GMimeObject* object, pst::AttachmentSink& sink) {
  auto setTime = [&](const char* param, pst::PropTag tag) {
    const char* value = g_mime_object_get_content_disposition_parameter(object, param);
    if (value == nullptr) return;
    GDateTimePtr date(g_mime_utils_header_decode_date(value));
    if (date) {
      const std::int64_t seconds =
          std::max<std::int64_t>(g_date_time_to_unix(date.get()), -11644473600);
      sink.set(tag, PropValue::time(pst::fileTimeFromUnix(seconds)));
    }
  };
  setTime("creation-date", tags::kCreationTime);
  setTime("modification-date", tags::kLastModificationTime);
}

// The properties that every attachment taken from a MIME part carries.
void setPartProperties(GMimeObject* object, pst::AttachmentSink& sink) {
  sink.set(tags::kRenderingPosition, PropValue::int32(-1));
  const std::string contentId = utf8Or1252(g_mime_object_get_content_id(object));
  if (!contentId.empty()) sink.set(tags::kAttachContentId, PropValue::utf8(contentId));
  const std::string location = utf8Or1252(g_mime_object_get_header(object, "Content-Location"));
  if (!location.empty()) sink.set(tags::kAttachContentLocation, PropValue::utf8(location));
  const std::string base = utf8Or1252(g_mime_object_get_header(object, "Content-Base"));
  if (!base.empty()) sink.set(tags::kAttachContentBase, PropValue::utf8(base));
  setDispositionTimes(object, sink);
}

void setFileNames(const std::string& longName, pst::AttachmentSink& sink, ShortNames& shortNames,
                  const std::string& displayName) {
  sink.set(tags::kAttachLongFilename, PropValue::utf8(longName));
  sink.set(tags::kAttachFilename, PropValue::utf8(shortNames.assign(longName)));
  const std::string extension = fileExtension(longName);
  if (!extension.empty()) sink.set(tags::kAttachExtension, PropValue::utf8(extension));
  sink.set(tags::kDisplayName, PropValue::utf8(displayName.empty() ? longName : displayName));
}

}  // namespace

bool htmlReferences(const std::string& html, const std::string& contentId,
                    const std::string& contentLocation) {
  if (html.empty()) return false;
  if (!contentId.empty() && findNoCase(html, "cid:" + contentId) != std::string::npos) return true;
  return !contentLocation.empty() && html.find(contentLocation) != std::string::npos;
}

bool writeFileAttachment(GMimePart* part, bool inAggregate, SizeTrackingAttachment& sink,
                         AttachmentContext& context) {
  GMimeObject* object = GMIME_OBJECT(part);
  const bool tnef = isTnefPart(part);
  std::string mimeType = mimeTypeOf(object);
  const std::string description = utf8Or1252(g_mime_part_get_content_description(part));
  std::string name = sanitizeFileName(utf8Or1252(g_mime_part_get_filename(part)));
  if (name.empty() && tnef) name = kTnefFileName;
  if (name.empty()) name = sanitizeFileName(description);
  if (name.empty()) {
    char generated[16];
    std::snprintf(generated, sizeof generated, "ATT%05d", ++context.unnamedCount % 100000);
    name = generated + extensionForMimeType(mimeType);
  }
  // A name as sent is kept as it is, with or without an extension ("Makefile", "README"): only
  // a name made up here gets the extension of its type.
  if (tnef) mimeType = kTnefRelabelledType;

  sink.set(tags::kAttachMethod, PropValue::int32(tags::kAttachByValue));
  sink.set(tags::kAttachMimeTag, PropValue::utf8(mimeType));
  setFileNames(name, sink, context.shortNames, description);
  setPartProperties(object, sink);
  if (g_mime_content_type_is_type(g_mime_object_get_content_type(object), "text", "*")) {
    const char* charset = g_mime_object_get_content_type_parameter(object, "charset");
    if (charset != nullptr)
      sink.set(tags::kTextAttachmentCharset, PropValue::utf8(utf8Or1252(charset)));
  }

  const std::string contentId = utf8Or1252(g_mime_object_get_content_id(object));
  const std::string location = utf8Or1252(g_mime_object_get_header(object, "Content-Location"));
  const bool hidden = inAggregate && isInlineImageType(mimeType) &&
                      htmlReferences(context.htmlUtf8, contentId, location);
  sink.set(tags::kAttachmentHidden, PropValue::boolean(hidden));
  if (hidden) sink.set(tags::kAttachFlags, PropValue::int32(tags::kAttachFlagRenderedInBody));

  streamPartContent(part, [&](std::span<const std::uint8_t> chunk) { sink.appendData(chunk); });
  finishAttachment(sink);
  return hidden;
}

void writeEntityAttachment(GMimeObject* entity, const std::string& fileName,
                           SizeTrackingAttachment& sink, AttachmentContext& context) {
  sink.set(tags::kAttachMethod, PropValue::int32(tags::kAttachByValue));
  sink.set(tags::kAttachMimeTag, PropValue::utf8(mimeTypeOf(entity)));
  setFileNames(fileName, sink, context.shortNames, fileName);
  sink.set(tags::kRenderingPosition, PropValue::int32(-1));
  sink.set(tags::kAttachmentHidden, PropValue::boolean(false));
  streamEntity(entity, [&](std::span<const std::uint8_t> chunk) { sink.appendData(chunk); });
  finishAttachment(sink);
}

void setEmbeddedMessageProperties(GMimeMessagePart* part, SizeTrackingAttachment& sink) {
  GMimeObject* object = GMIME_OBJECT(part);
  // [MS-OXCMAIL] 2.2.3.4.3: Content-Type name, then the disposition's filename, then
  // Content-Description, then the attached message's subject.
  std::string name = utf8Or1252(g_mime_object_get_content_type_parameter(object, "name"));
  if (name.empty())
    name = utf8Or1252(g_mime_object_get_content_disposition_parameter(object, "filename"));
  if (name.empty()) name = utf8Or1252(g_mime_object_get_header(object, "Content-Description"));
  GMimeMessage* inner = g_mime_message_part_get_message(part);
  if (name.empty() && inner != nullptr) name = utf8Or1252(g_mime_message_get_subject(inner));
  sink.set(tags::kAttachMethod, PropValue::int32(tags::kAttachEmbeddedMessage));
  sink.set(tags::kAttachMimeTag, PropValue::utf8("message/rfc822"));
  sink.set(tags::kDisplayName, PropValue::utf8(name));
  sink.set(tags::kAttachmentHidden, PropValue::boolean(false));
  setPartProperties(object, sink);
}

void finishAttachment(SizeTrackingAttachment& sink) {
  const std::uint64_t total = sink.bytes() + 4;
  sink.set(tags::kAttachSize,
           PropValue::int32(static_cast<std::int32_t>(std::min<std::uint64_t>(total, 0x7FFFFFFF))));
}

}  // namespace mailferry::mime
