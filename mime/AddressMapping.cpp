// Address groups, recipient rows and reply-to entries for an SMTP address.
#include "mime/AddressMapping.h"

#include "mime/GMimeHandles.h"
#include "mime/SearchKey.h"
#include "pst/KnownTags.h"
#include "pst/messaging/OneOffEntryId.h"

namespace mailferry::mime {

namespace tags = pst::tags;

namespace {

constexpr std::string_view kSmtp = "SMTP";
constexpr int kMaxGroupDepth = 8;

void collectInto(InternetAddressList* list, std::vector<MailAddress>& out, int depth) {
  if (list == nullptr || depth > kMaxGroupDepth) return;
  const int count = internet_address_list_length(list);
  for (int i = 0; i < count; ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    if (INTERNET_ADDRESS_IS_GROUP(address)) {
      collectInto(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)), out,
                  depth + 1);
    } else if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
      MailAddress mail{
          orEmpty(internet_address_get_name(address)),
          orEmpty(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)))};
      if (!mail.name.empty() || !mail.address.empty()) out.push_back(std::move(mail));
    }
  }
}

pst::PropValue binary(const std::vector<std::uint8_t>& bytes) {
  return pst::PropValue::binary(bytes);
}

}  // namespace

const OriginatorTags kSenderTags{tags::kSenderName,         tags::kSenderAddressType,
                                 tags::kSenderEmailAddress, tags::kSenderEntryId,
                                 tags::kSenderSearchKey,    tags::kSenderSmtpAddress};
const OriginatorTags kSentRepresentingTags{
    tags::kSentRepresentingName,         tags::kSentRepresentingAddressType,
    tags::kSentRepresentingEmailAddress, tags::kSentRepresentingEntryId,
    tags::kSentRepresentingSearchKey,    tags::kSentRepresentingSmtpAddress};

std::vector<MailAddress> collectAddresses(InternetAddressList* list) {
  std::vector<MailAddress> out;
  collectInto(list, out, 0);
  return out;
}

void setOriginator(pst::MessageSink& sink, const OriginatorTags& t, const MailAddress& who) {
  const std::string name = who.displayName();
  sink.set(t.name, pst::PropValue::utf8(name));
  sink.set(t.addressType, pst::PropValue::utf8(kSmtp));
  sink.set(t.emailAddress, pst::PropValue::utf8(who.address));
  sink.set(t.entryId, binary(pst::makeOneOffEntryId(name, kSmtp, who.address)));
  sink.set(t.searchKey, binary(addressSearchKey(kSmtp, who.address)));
  sink.set(t.smtpAddress, pst::PropValue::utf8(who.address));
}

RecipientRow makeRecipientRow(const MailAddress& who, std::int32_t recipientType,
                              std::int32_t rowIndex) {
  const std::string name = who.displayName();
  RecipientRow row;
  row.emplace_back(tags::kRecipientType, pst::PropValue::int32(recipientType));
  row.emplace_back(tags::kDisplayName, pst::PropValue::utf8(name));
  row.emplace_back(tags::kAddressType, pst::PropValue::utf8(kSmtp));
  row.emplace_back(tags::kEmailAddress, pst::PropValue::utf8(who.address));
  row.emplace_back(tags::kEntryId, binary(pst::makeOneOffEntryId(name, kSmtp, who.address)));
  row.emplace_back(tags::kSearchKey, binary(addressSearchKey(kSmtp, who.address)));
  row.emplace_back(tags::kDisplayType, pst::PropValue::int32(0));  // DT_MAILUSER
  row.emplace_back(tags::kObjectType, pst::PropValue::int32(6));   // MAPI_MAILUSER
  row.emplace_back(tags::kResponsibility, pst::PropValue::boolean(true));
  row.emplace_back(tags::kSendRichInfo, pst::PropValue::boolean(false));
  row.emplace_back(tags::k7BitDisplayName, pst::PropValue::utf8(sevenBitName(name)));
  row.emplace_back(tags::kTransmittableDisplayName, pst::PropValue::utf8(name));
  row.emplace_back(tags::kSmtpAddress, pst::PropValue::utf8(who.address));
  row.emplace_back(tags::kRowid, pst::PropValue::int32(rowIndex));
  return row;
}

void setReplyRecipients(pst::MessageSink& sink, const std::vector<MailAddress>& replyTo) {
  if (replyTo.empty()) return;
  std::vector<std::vector<std::uint8_t>> ids;
  std::string names;
  for (const auto& who : replyTo) {
    ids.push_back(pst::makeOneOffEntryId(who.displayName(), kSmtp, who.address));
    if (!names.empty()) names += ';';
    names += who.displayName();
  }
  sink.set(tags::kReplyRecipientEntries, binary(pst::makeFlatEntryList(ids)));
  sink.set(tags::kReplyRecipientNames, pst::PropValue::utf8(names));
}

std::string sevenBitName(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c & 0xC0) != 0x80) {
      out += '?';  // one '?' per character: continuation bytes are skipped
    }
  }
  return out;
}

}  // namespace mailferry::mime
