// RFC 5322 addresses -> MAPI address properties: the sender and sent-representing groups, the
// recipient rows, the reply-to entries ([MS-OXCMAIL] 2.2.3.1).
#pragma once

#include <gmime/gmime.h>

#include <string>
#include <utility>
#include <vector>

#include "pst/PropValue.h"
#include "pst/messaging/MessageSink.h"

namespace mailferry::mime {

struct MailAddress {
  std::string name;     // decoded display name, UTF-8; may be empty
  std::string address;  // addr-spec local@domain
  // What a reader shows: the display name, or the address when there is none.
  std::string displayName() const { return name.empty() ? address : name; }
};

// The mailboxes of a header's address list in order, groups expanded (an empty group such as
// "undisclosed-recipients:;" yields nothing).
std::vector<MailAddress> collectAddresses(InternetAddressList* list);

struct OriginatorTags {
  pst::PropTag name, addressType, emailAddress, entryId, searchKey, smtpAddress;
};
extern const OriginatorTags kSenderTags;
extern const OriginatorTags kSentRepresentingTags;

void setOriginator(pst::MessageSink& sink, const OriginatorTags& tags, const MailAddress& who);

using RecipientRow = std::vector<std::pair<pst::PropTag, pst::PropValue>>;
// One row of the recipient table: every column of the PST template ([MS-PST] 2.4.5.3.1) but the
// LTP row id and version, which the table writer assigns.
RecipientRow makeRecipientRow(const MailAddress& who, std::int32_t recipientType,
                              std::int32_t rowIndex);

// Reply-To: PidTagReplyRecipientEntries and PidTagReplyRecipientNames.
void setReplyRecipients(pst::MessageSink& sink, const std::vector<MailAddress>& replyTo);

// The ASCII form of a display name for PidTag7BitDisplayName: non-ASCII characters become '?'.
std::string sevenBitName(std::string_view utf8);

}  // namespace mailferry::mime
