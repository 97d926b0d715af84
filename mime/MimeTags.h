// MAPI property tags that the RFC 822 import writes beyond the engine's own bookkeeping tags
// ([MS-OXPROPS]; the message, sender, recipient and attachment properties of [MS-OXCMAIL] 2.2).
#pragma once

#include "pst/Property.h"
#include "pst/messaging/PropTags.h"

namespace mailferry::mime::tags {

using namespace mailferry::pst::tags;

// Envelope
constexpr pst::PropTag kImportance = 0x00170003;
constexpr pst::PropTag kPriority = 0x00260003;
constexpr pst::PropTag kReadReceiptRequested = 0x0029000B;
constexpr pst::PropTag kSensitivity = 0x00360003;
constexpr pst::PropTag kClientSubmitTime = 0x00390040;
constexpr pst::PropTag kMessageDeliveryTime = 0x0E060040;
constexpr pst::PropTag kConversationTopic = 0x0070001F;
constexpr pst::PropTag kConversationIndex = 0x00710102;
constexpr pst::PropTag kTransportMessageHeaders = 0x007D001F;
constexpr pst::PropTag kInternetMessageId = 0x1035001F;
constexpr pst::PropTag kInternetReferences = 0x1039001F;
constexpr pst::PropTag kInReplyToId = 0x1042001F;
constexpr pst::PropTag kMessageToMe = 0x0057000B;
constexpr pst::PropTag kMessageCcMe = 0x0058000B;

// Originator groups ([MS-OXOMSG] 2.2.1.48-2.2.1.58)
constexpr pst::PropTag kSentRepresentingSearchKey = 0x003B0102;
constexpr pst::PropTag kSentRepresentingEntryId = 0x00410102;
constexpr pst::PropTag kSentRepresentingName = 0x0042001F;
constexpr pst::PropTag kSentRepresentingAddressType = 0x0064001F;
constexpr pst::PropTag kSentRepresentingEmailAddress = 0x0065001F;
constexpr pst::PropTag kSentRepresentingSmtpAddress = 0x5D02001F;
constexpr pst::PropTag kSenderEntryId = 0x0C190102;
constexpr pst::PropTag kSenderName = 0x0C1A001F;
constexpr pst::PropTag kSenderSearchKey = 0x0C1D0102;
constexpr pst::PropTag kSenderAddressType = 0x0C1E001F;
constexpr pst::PropTag kSenderEmailAddress = 0x0C1F001F;
constexpr pst::PropTag kSenderSmtpAddress = 0x5D01001F;
constexpr pst::PropTag kReplyRecipientEntries = 0x004F0102;
constexpr pst::PropTag kReplyRecipientNames = 0x0050001F;

// Recipient rows
constexpr pst::PropTag kSmtpAddress = 0x39FE001F;
constexpr pst::PropTag k7BitDisplayName = 0x39FF001F;
constexpr pst::PropTag kTransmittableDisplayName = 0x3A20001F;
constexpr pst::PropTag kSendRichInfo = 0x3A40000B;

// Bodies
constexpr pst::PropTag kInternetCodepage = 0x3FDE0003;
constexpr pst::PropTag kMessageCodepage = 0x3FFD0003;
constexpr pst::PropTag kNativeBody = 0x10160003;

// Attachments
constexpr pst::PropTag kAttachContentBase = 0x3711001F;
constexpr pst::PropTag kAttachContentId = 0x3712001F;
constexpr pst::PropTag kAttachContentLocation = 0x3713001F;
constexpr pst::PropTag kAttachFlags = 0x37140003;
constexpr pst::PropTag kTextAttachmentCharset = 0x371B001F;
constexpr pst::PropTag kAttachmentHidden = 0x7FFE000B;

// Values
constexpr std::int32_t kAttachFlagRenderedInBody = 0x4;
constexpr std::int32_t kRecipientTo = 1;
constexpr std::int32_t kRecipientCc = 2;
constexpr std::int32_t kRecipientBcc = 3;
constexpr std::int32_t kNativeBodyPlain = 1;
constexpr std::int32_t kNativeBodyHtml = 3;

// Property sets of the named properties the import uses ([MS-OXPROPS] 1.3.2)
inline constexpr const char* kPsetidCommon = "{00062008-0000-0000-C000-000000000046}";
inline constexpr const char* kPsInternetHeaders = "{00020386-0000-0000-C000-000000000046}";
constexpr std::uint32_t kLidSmartNoAttach = 0x8514;

}  // namespace mailferry::mime::tags
