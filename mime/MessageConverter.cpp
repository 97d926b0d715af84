// The conversion of one parsed message, S/MIME classes and attached messages included.
#include "mime/MessageConverter.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "mime/AttachmentMapping.h"
#include "mime/BodySelection.h"
#include "mime/GMimeHandles.h"
#include "mime/MessageBodies.h"
#include "mime/MessageEnvelope.h"
#include "mime/SearchKey.h"
#include "mime/SizeTrackingSink.h"
#include "mime/TreeRepair.h"
#include "pst/KnownTags.h"

namespace mailferry::mime {

namespace tags = pst::tags;

namespace {

using pst::PropValue;

constexpr const char* kSmimeFileName = "smime.p7m";

bool isClearSigned(GMimeObject* root) {
  if (!GMIME_IS_MULTIPART_SIGNED(root)) return false;
  const char* protocol = g_mime_object_get_content_type_parameter(root, "protocol");
  return protocol != nullptr &&
         (g_ascii_strcasecmp(protocol, "application/pkcs7-signature") == 0 ||
          g_ascii_strcasecmp(protocol, "application/x-pkcs7-signature") == 0);
}

bool isOpaqueSmime(GMimeObject* root) {
  if (!GMIME_IS_PART(root)) return false;
  if (isType(root, "application", "pkcs7-mime") || isType(root, "application", "x-pkcs7-mime")) {
    return true;
  }
  if (!isType(root, "application", "octet-stream")) return false;
  const char* name = g_mime_part_get_filename(GMIME_PART(root));
  const std::size_t length = name != nullptr ? std::strlen(name) : 0;
  return length >= 4 && g_ascii_strcasecmp(name + length - 4, ".p7m") == 0;
}

std::int32_t clampToInt32(std::uint64_t v) {
  return static_cast<std::int32_t>(std::min<std::uint64_t>(v, 0x7FFFFFFF));
}

}  // namespace

MessageConverter::MessageConverter(const ImportOptions& options, ImportReport& report)
    : options_(options), report_(report) {}

pst::FileTime MessageConverter::now() const {
  if (options_.now) return options_.now();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
  return pst::fileTimeFromUnix(seconds);
}

std::uint64_t MessageConverter::convert(GMimeMessage* message, pst::MessageSink& target,
                                        int depth) {
  SizeTrackingSink sink(target);
  const Envelope envelope = writeEnvelope(message, sink, report_, [this] { return now(); });
  if (depth == 0) {
    report_.subject = envelope.subject;
    report_.recipients = envelope.recipients;
  }
  repairTree(message, options_.maxDepth, report_.warnings);
  MessagePlan plan = planMessage(message, sink, depth);
  sink.set(tags::kMessageClass, PropValue::utf8(plan.messageClass));
  const WrittenBodies bodies = writeBodies(plan.parts.body, sink, report_);
  if (depth == 0) {
    report_.htmlBody = bodies.html;
    report_.textBody = bodies.text;
  }
  for (GMimePart* part : bodies.alsoAttach)
    plan.parts.attachments.push_back({GMIME_OBJECT(part), false, depth + 1});
  const AttachmentTally tally = writeAttachments(plan, bodies.htmlUtf8, sink);
  report_.attachments += tally.written;
  return finishMessage(sink, tally, envelope);
}

MessagePlan MessageConverter::planMessage(GMimeMessage* message, SizeTrackingSink& sink,
                                          int depth) {
  // [MS-OXOSMIME] 2.1.3: clear-signed mail keeps its bodies and becomes one attachment holding
  // the whole signed entity; opaque-signed or encrypted mail has no body, only that entity.
  GMimeObject* root = g_mime_message_get_mime_part(message);
  MessagePlan plan;
  if (root != nullptr && isClearSigned(root)) {
    plan.messageClass = "IPM.Note.SMIME.MultipartSigned";
    plan.signedEntity = root;
    if (g_mime_multipart_get_count(GMIME_MULTIPART(root)) > 0) {
      plan.parts = planParts(g_mime_multipart_get_part(GMIME_MULTIPART(root), 0), depth + 2,
                             options_.maxDepth);
    }
    plan.parts.attachments.clear();
  } else if (root != nullptr && isOpaqueSmime(root)) {
    plan.messageClass = "IPM.Note.SMIME";
    plan.parts.attachments.push_back({root, false, depth + 1});
    const pst::PropTag contentType = sink.namedTag(
        {pst::guidFromString(tags::kPsInternetHeaders), std::u16string(u"Content-Type")},
        pst::PropType::Unicode);
    sink.set(contentType, PropValue::utf8(orEmpty(g_mime_object_get_header(root, "Content-Type"))));
  } else if (root != nullptr) {
    plan.parts = planParts(root, depth + 1, options_.maxDepth);
  }
  if (plan.parts.depthCut) keepTextBelowTheCut(root, plan);
  return plan;
}

void MessageConverter::keepTextBelowTheCut(GMimeObject* root, MessagePlan& plan) {
  const std::string cut =
      "MIME parts nested deeper than " + std::to_string(options_.maxDepth) + " levels: ";
  GMimePart* keptText = nullptr;
  if (!plan.parts.body.any()) {
    // The body of such a message is often at the bottom: its first text part, or failing that
    // the raw text (which loses nothing), is kept as the body.
    keptText = deepestFirstTextPart(root);
    if (keptText == nullptr) {
      plan.rawBody = rawTextPart(takeString(g_mime_object_to_string(root, nullptr)));
      plan.parts.body.text = plan.rawBody.get();
      report_.warnings.push_back(cut + "its raw text kept as the body");
      return;
    }
    if (isType(GMIME_OBJECT(keptText), "text", "html")) {
      plan.parts.body.html = keptText;
    } else {
      plan.parts.body.text = keptText;
    }
  }
  std::size_t leftOut = 0;
  for (GMimeObject* part : plan.parts.cutParts) leftOut += countLeafParts(part, keptText);
  const std::string kept = keptText ? "its first text kept as the body" : "";
  if (leftOut == 0) {
    report_.warnings.push_back(cut + (kept.empty() ? "nothing below them left out" : kept));
  } else {
    report_.contentLost.push_back(
        cut + (kept.empty() ? "" : kept + ", ") + std::to_string(leftOut) +
        (leftOut == 1 ? " part below them" : " parts below them") + " left out");
  }
}

MessageConverter::AttachmentTally MessageConverter::writeAttachments(const MessagePlan& plan,
                                                                     const std::string& htmlUtf8,
                                                                     SizeTrackingSink& sink) {
  ShortNames shortNames;
  AttachmentContext context{htmlUtf8, shortNames, report_};
  AttachmentTally tally;
  if (plan.signedEntity != nullptr) {
    auto attachment = sink.addTrackedAttachment();
    writeEntityAttachment(plan.signedEntity, kSmimeFileName, *attachment, context);
    attachment->close();
    ++tally.written;
  }
  for (const AttachmentPart& part : plan.parts.attachments) {
    const bool isMessage = GMIME_IS_MESSAGE_PART(part.object);
    if (isMessage && g_mime_message_part_get_message(GMIME_MESSAGE_PART(part.object)) == nullptr) {
      report_.contentLost.push_back("an attached message could not be read: left out");
      continue;
    }
    auto attachment = sink.addTrackedAttachment();
    if (isMessage) {
      writeAttachedMessage(part, *attachment, context);
    } else if (writeFileAttachment(GMIME_PART(part.object), part.inAggregate, *attachment,
                                   context)) {
      ++tally.hidden;
    }
    attachment->close();
    ++tally.written;
  }
  return tally;
}

void MessageConverter::writeAttachedMessage(const AttachmentPart& part,
                                            SizeTrackingAttachment& attachment,
                                            AttachmentContext& context) {
  auto* messagePart = GMIME_MESSAGE_PART(part.object);
  GMimeMessage* inner = g_mime_message_part_get_message(messagePart);
  if (part.depth + 1 > options_.maxDepth) {
    // Too deep to convert: kept as the .eml file it is, so nothing is lost.
    report_.warnings.push_back("attached message nested deeper than " +
                               std::to_string(options_.maxDepth) + " levels: kept as a file");
    writeEntityAttachment(GMIME_OBJECT(inner), "message.eml", attachment, context);
    return;
  }
  setEmbeddedMessageProperties(messagePart, attachment);
  std::uint64_t innerBytes = 0;
  {
    const auto innerSink = attachment.embeddedMessage();
    innerBytes = convert(inner, *innerSink, part.depth + 1);
  }
  attachment.addEmbeddedBytes(innerBytes);
  finishAttachment(attachment);
  ++report_.embeddedMessages;
}

std::uint64_t MessageConverter::finishMessage(SizeTrackingSink& sink, const AttachmentTally& tally,
                                              const Envelope& envelope) {
  if (tally.written > 0 && tally.hidden == tally.written) {
    // Only inline images: Outlook then shows no paper clip ([MS-OXCMAIL] 2.2.3.4.1.4.1).
    const pst::PropTag smartNoAttach =
        sink.namedTag({pst::guidFromString(tags::kPsetidCommon), tags::kLidSmartNoAttach},
                      pst::PropType::Boolean);
    sink.set(smartNoAttach, PropValue::boolean(true));
  }
  sink.set(
      tags::kMessageFlags,
      PropValue::int32(tags::kMsgFlagRead | (tally.written > 0 ? tags::kMsgFlagHasAttach : 0)));
  sink.set(tags::kMessageStatus, PropValue::int32(0));
  sink.set(tags::kSearchKey, PropValue::binary(newMessageSearchKey()));
  // Creation and modification: when the message arrived, which keeps imports reproducible.
  sink.set(tags::kCreationTime, PropValue::time(envelope.deliveryTime));
  sink.set(tags::kLastModificationTime, PropValue::time(envelope.deliveryTime));
  const std::uint64_t total = sink.bytes() + 4;
  sink.set(tags::kMessageSize, PropValue::int32(clampToInt32(total)));
  return total;
}

}  // namespace mailferry::mime
