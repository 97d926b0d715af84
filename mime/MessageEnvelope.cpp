// Header fields of a message -> envelope properties.
#include "mime/MessageEnvelope.h"

#include <algorithm>
#include <cctype>

#include "mime/AddressMapping.h"
#include "mime/Charsets.h"
#include "mime/GMimeHandles.h"
#include "mime/HeaderBlock.h"
#include "mime/LenientHeaders.h"
#include "mime/MessageParser.h"
#include "mime/SubjectRules.h"
#include "pst/KnownTags.h"
#include "pst/Utf.h"

namespace mailferry::mime {

namespace tags = pst::tags;

namespace {

using pst::PropValue;

constexpr std::int64_t kUnixOf1601 = -11644473600;

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Cuts an over-long value at a character boundary and says so.
std::string capped(std::string text, std::size_t limit, const char* what, ImportReport& report) {
  if (text.size() <= limit) return text;
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  report.contentLost.push_back(std::string(what) + " longer than " + std::to_string(limit) +
                               " bytes: cut");
  return text;
}

pst::FileTime fileTimeOf(GDateTime* date) {
  return pst::fileTimeFromUnix(std::max<std::int64_t>(g_date_time_to_unix(date), kUnixOf1601));
}

// The time stamp of the topmost Received field (after its last ';').
std::optional<pst::FileTime> topReceivedTime(GMimeObject* object) {
  GMimeHeaderList* headers = g_mime_object_get_header_list(object);
  const int count = g_mime_header_list_get_count(headers);
  for (int i = 0; i < count; ++i) {
    GMimeHeader* header = g_mime_header_list_get_header_at(headers, i);
    if (g_ascii_strcasecmp(g_mime_header_get_name(header), "Received") != 0) continue;
    const std::string value = orEmpty(g_mime_header_get_value(header));
    const std::size_t semi = value.rfind(';');
    if (semi == std::string::npos) return std::nullopt;
    GDateTimePtr date(g_mime_utils_header_decode_date(value.c_str() + semi + 1));
    if (!date) return std::nullopt;
    return fileTimeOf(date.get());
  }
  return std::nullopt;
}

std::int32_t sensitivityFrom(GMimeObject* object) {
  const auto value = headerValue(object, "Sensitivity");
  if (!value) return 0;
  const std::string v = lower(*value);
  if (v == "personal") return 1;
  if (v == "private") return 2;
  if (v == "company-confidential") return 3;
  return 0;
}

std::int32_t priorityFrom(GMimeObject* object) {
  const auto value = headerValue(object, "Priority");
  if (!value) return 0;
  const std::string v = lower(*value);
  if (v == "urgent") return 1;
  if (v == "non-urgent") return -1;
  return 0;
}

std::string joinNames(const std::vector<MailAddress>& addresses) {
  std::string out;
  for (const auto& who : addresses) {
    if (!out.empty()) out += "; ";
    out += who.displayName();
  }
  return out;
}

// Identifiers and reference lists: folded whitespace becomes one space.
std::string singleLine(const std::string& text) {
  std::string out;
  bool space = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

void setConversationIndex(GMimeObject* object, pst::MessageSink& sink, ImportReport& report) {
  const auto threadIndex = headerValue(object, "Thread-Index");
  if (!threadIndex) return;
  gsize length = 0;
  const std::string text = singleLine(*threadIndex);
  GCharPtr decoded(reinterpret_cast<char*>(g_base64_decode(text.c_str(), &length)));
  // [MS-OXOMSG] 2.2.1.3: a 22-byte header block, then 5-byte child blocks.
  if (!decoded || length < 22 || (length - 22) % 5 != 0) {
    report.warnings.push_back("Thread-Index is not a conversation index: left out");
    return;
  }
  sink.set(tags::kConversationIndex,
           PropValue::binary(std::string_view(decoded.get(), static_cast<std::size_t>(length))));
}

// A raw header value unfolded and without its leading white space.
std::string unfolded(std::string_view raw) {
  std::string text;
  text.reserve(raw.size());
  for (char c : raw) {
    if (c != '\r' && c != '\n') text += c;
  }
  const std::size_t first = text.find_first_not_of(" \t");
  return first == std::string::npos ? std::string() : text.substr(first);
}

std::string decodedText(std::string_view raw) {
  GCharPtr text(g_mime_utils_header_decode_text(headerDecodingOptions(), unfolded(raw).c_str()));
  return text ? toUtf8(text.get(), "utf-8").utf8 : std::string();
}

// Mail readers show the first of two Subject fields, where GMime keeps the last one.
std::string subjectOf(GMimeMessage* message, const EnvelopeFields& fields) {
  if (const auto raw = fields.firstRawValue("Subject")) {
    const auto joined = joinedEncodedWords(*raw);
    if (joined || fields.count("Subject") > 1) return decodedText(joined.value_or(*raw));
  }
  const char* subject = g_mime_message_get_subject(message);
  return subject != nullptr ? toUtf8(subject, "utf-8").utf8 : std::string();
}

const char* fieldNameOf(GMimeAddressType type) {
  switch (type) {
    case GMIME_ADDRESS_TYPE_SENDER:
      return "Sender";
    case GMIME_ADDRESS_TYPE_FROM:
      return "From";
    case GMIME_ADDRESS_TYPE_REPLY_TO:
      return "Reply-To";
    case GMIME_ADDRESS_TYPE_TO:
      return "To";
    case GMIME_ADDRESS_TYPE_CC:
      return "Cc";
    case GMIME_ADDRESS_TYPE_BCC:
      return "Bcc";
  }
  return "";
}

// GMime's addresses, read again from the field where it split a display name's encoded-words
// wrongly or found no address at all in a value that holds one ("Big Bug bb@bug.com"). Of two
// originator fields (From, Sender, Reply-To) the first counts, as in mail readers; recipient
// fields given twice are all kept.
std::vector<MailAddress> addressesOf(GMimeMessage* message, GMimeAddressType type,
                                     const EnvelopeFields& envelopeFields) {
  auto found = collectAddresses(g_mime_message_get_addresses(message, type));
  const char* field = fieldNameOf(type);
  const auto raw = envelopeFields.firstRawValue(field);
  if (!raw) return found;
  const bool originator = type == GMIME_ADDRESS_TYPE_FROM || type == GMIME_ADDRESS_TYPE_SENDER ||
                          type == GMIME_ADDRESS_TYPE_REPLY_TO;
  const int fields = envelopeFields.count(field);
  const auto joined = joinedEncodedWords(*raw);
  if (!(originator && fields > 1) && !(joined && fields == 1) && !found.empty()) return found;
  GObjectPtr<InternetAddressList> list(internet_address_list_parse(
      headerDecodingOptions(), unfolded(joined.value_or(*raw)).c_str()));
  if (list) {
    auto again = collectAddresses(list.get());
    if (!again.empty()) return again;
  }
  if (const auto loose = looseAddress(decodedText(*raw))) {
    return {MailAddress{loose->name, loose->address}};
  }
  return found;
}

// The Date field, read again where its zone is written in an obsolete form or where there are
// two (the first one counts).
GDateTimePtr dateOf(GMimeMessage* message, const EnvelopeFields& fields) {
  const auto raw = fields.firstRawValue("Date");
  if (raw) {
    const std::string text = unfolded(*raw);
    const auto fixed = normalizedDateZone(text);
    if (fixed || fields.count("Date") > 1) {
      GDateTimePtr date(g_mime_utils_header_decode_date(fixed.value_or(text).c_str()));
      if (date) return date;
    }
  }
  GDateTime* date = g_mime_message_get_date(message);
  if (date != nullptr) g_date_time_ref(date);
  return GDateTimePtr(date);
}

}  // namespace

std::int32_t importanceFrom(GMimeObject* object) {
  if (auto v = headerValue(object, "Importance")) {
    const std::string s = lower(*v);
    if (s == "low") return 0;
    if (s == "high") return 2;
    if (s == "normal") return 1;
  }
  if (auto v = headerValue(object, "Priority")) {
    const std::string s = lower(*v);
    if (s == "non-urgent") return 0;
    if (s == "urgent") return 2;
    if (s == "normal") return 1;
  }
  if (auto v = headerValue(object, "X-Priority")) {
    const char first = v->empty() ? '3' : (*v)[0];
    if (first == '1' || first == '2') return 2;
    if (first == '4' || first == '5') return 0;
    if (first == '3') return 1;
  }
  if (auto v = headerValue(object, "X-MSMail-Priority")) {
    const std::string s = lower(*v);
    if (s == "low") return 0;
    if (s == "high") return 2;
  }
  return 1;
}

Envelope writeEnvelope(GMimeMessage* message, pst::MessageSink& sink, ImportReport& report,
                       const std::function<pst::FileTime()>& now) {
  GMimeObject* object = GMIME_OBJECT(message);
  Envelope envelope;

  // Subject: stored plain; a PST derives prefix and normalized subject from it with the same
  // rule as [MS-OXCMAIL] 2.2.3.2.6.1 ([MS-PST] 2.5.3.1.1).
  const EnvelopeFields fields(object);
  std::string subject = capped(subjectOf(message, fields), kMaxHeaderValueBytes, "Subject", report);
  sink.set(tags::kSubject, PropValue::utf8(subject));
  const auto topic = headerValue(object, "Thread-Topic");
  sink.set(tags::kConversationTopic,
           PropValue::utf8(topic ? capped(*topic, kMaxHeaderValueBytes, "Thread-Topic", report)
                                 : splitSubject(subject).normalized));
  setConversationIndex(object, sink, report);
  envelope.subject = subject;

  // Originator: From -> sent representing; Sender (or From when there is none) -> sender.
  const auto from = addressesOf(message, GMIME_ADDRESS_TYPE_FROM, fields);
  const auto sender = addressesOf(message, GMIME_ADDRESS_TYPE_SENDER, fields);
  const MailAddress* representing = !from.empty() ? &from.front() : nullptr;
  const MailAddress* actual = !sender.empty() ? &sender.front() : representing;
  if (representing == nullptr) representing = actual;
  if (representing != nullptr) setOriginator(sink, kSentRepresentingTags, *representing);
  if (actual != nullptr) setOriginator(sink, kSenderTags, *actual);
  if (representing == nullptr) report.warnings.push_back("no From address");
  setReplyRecipients(sink, addressesOf(message, GMIME_ADDRESS_TYPE_REPLY_TO, fields));

  // Recipients, in header order To, Cc, Bcc.
  std::int32_t row = 0;
  const std::pair<GMimeAddressType, std::int32_t> kinds[] = {
      {GMIME_ADDRESS_TYPE_TO, tags::kRecipientTo},
      {GMIME_ADDRESS_TYPE_CC, tags::kRecipientCc},
      {GMIME_ADDRESS_TYPE_BCC, tags::kRecipientBcc}};
  const pst::PropTag displayTags[] = {tags::kDisplayTo, tags::kDisplayCc, tags::kDisplayBcc};
  for (std::size_t k = 0; k < 3; ++k) {
    const auto addresses = addressesOf(message, kinds[k].first, fields);
    for (const auto& who : addresses)
      sink.addRecipient(makeRecipientRow(who, kinds[k].second, row++));
    sink.set(displayTags[k], PropValue::utf8(capped(joinNames(addresses), kMaxHeaderValueBytes,
                                                    "Recipient list", report)));
  }
  envelope.recipients = static_cast<std::size_t>(row);

  // Dates: sent from Date, received from the topmost Received field, else Date.
  if (const GDateTimePtr date = dateOf(message, fields)) {
    envelope.submitTime = fileTimeOf(date.get());
  } else {
    envelope.submitTime = now();
    report.warnings.push_back(g_mime_object_get_header(object, "Date") != nullptr
                                  ? "unreadable Date: the import time is used"
                                  : "no Date: the import time is used");
  }
  envelope.deliveryTime = topReceivedTime(object).value_or(envelope.submitTime);
  sink.set(tags::kClientSubmitTime, PropValue::time(envelope.submitTime));
  sink.set(tags::kMessageDeliveryTime, PropValue::time(envelope.deliveryTime));

  const std::pair<const char*, pst::PropTag> identifiers[] = {
      {"Message-ID", tags::kInternetMessageId},
      {"In-Reply-To", tags::kInReplyToId},
      {"References", tags::kInternetReferences}};
  for (const auto& [name, tag] : identifiers) {
    if (auto value = headerValue(object, name)) {
      sink.set(tag,
               PropValue::utf8(capped(singleLine(*value), kMaxHeaderValueBytes, name, report)));
    }
  }

  sink.set(tags::kImportance, PropValue::int32(importanceFrom(object)));
  sink.set(tags::kPriority, PropValue::int32(priorityFrom(object)));
  sink.set(tags::kSensitivity, PropValue::int32(sensitivityFrom(object)));
  sink.set(tags::kMessageToMe, PropValue::boolean(false));
  sink.set(tags::kMessageCcMe, PropValue::boolean(false));

  std::string headers = transportHeaders(rawHeaderLines(object));
  sink.set(
      tags::kTransportMessageHeaders,
      PropValue::utf8(capped(std::move(headers), kMaxHeaderBlockBytes, "Header block", report)));
  return envelope;
}

}  // namespace mailferry::mime
