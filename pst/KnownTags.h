// The one registry of the MAPI property tags Mailferry writes or reads ([MS-OXPROPS]): the
// store, folder, message, recipient and attachment bookkeeping of [MS-PST] 2.4, the Internet
// mail properties of [MS-OXCMAIL] 2.2, the contact properties and the table columns. A tag's
// name is its canonical name without "PidTag", a LID's its canonical name without "PidLid".
#pragma once

#include <cstdint>

#include "pst/PropTag.h"

namespace mailferry::pst::tags {

// Message store ([MS-PST] 2.4.3.1)
constexpr PropTag kRecordKey = 0x0FF90102;
constexpr PropTag kDisplayName = 0x3001001F;
constexpr PropTag kComment = 0x3004001F;
constexpr PropTag kValidFolderMask = 0x35DF0003;
constexpr PropTag kIpmSubtreeEntryId = 0x35E00102;
constexpr PropTag kIpmOutboxEntryId = 0x35E20102;
constexpr PropTag kIpmWastebasketEntryId = 0x35E30102;
constexpr PropTag kIpmSentMailEntryId = 0x35E40102;
constexpr PropTag kViewsEntryId = 0x35E50102;
constexpr PropTag kCommonViewsEntryId = 0x35E60102;
constexpr PropTag kFinderEntryId = 0x35E70102;
constexpr PropTag kPstLrNoRestrictions = 0x6633000B;
constexpr PropTag kLatestPstEnsure = 0x66FA0003;
constexpr PropTag kPstPassword = 0x67FF0003;

// Folders ([MS-PST] 2.4.4)
constexpr PropTag kContentCount = 0x36020003;
constexpr PropTag kContentUnreadCount = 0x36030003;
constexpr PropTag kSubfolders = 0x360A000B;
constexpr PropTag kContainerClass = 0x3613001F;
constexpr PropTag kPstHiddenCount = 0x66350003;
constexpr PropTag kPstHiddenUnread = 0x66360003;
constexpr PropTag kIpmAppointmentEntryId = 0x36D00102;
constexpr PropTag kIpmContactEntryId = 0x36D10102;
constexpr PropTag kIpmJournalEntryId = 0x36D20102;
constexpr PropTag kIpmNoteEntryId = 0x36D30102;
constexpr PropTag kIpmTaskEntryId = 0x36D40102;
constexpr PropTag kIpmDraftsEntryId = 0x36D70102;
constexpr PropTag kAdditionalRenEntryIds = 0x36D81102;

// Messages ([MS-PST] 2.4.5)
constexpr PropTag kMessageClass = 0x001A001F;
constexpr PropTag kSubject = 0x0037001F;
constexpr PropTag kMessageFlags = 0x0E070003;
constexpr PropTag kMessageSize = 0x0E080003;
constexpr PropTag kMessageStatus = 0x0E170003;
constexpr PropTag kCreationTime = 0x30070040;
constexpr PropTag kLastModificationTime = 0x30080040;
constexpr PropTag kSearchKey = 0x300B0102;
constexpr PropTag kBody = 0x1000001F;
constexpr PropTag kBodyHtml = 0x10130102;
constexpr PropTag kDisplayTo = 0x0E04001F;
constexpr PropTag kDisplayCc = 0x0E03001F;
constexpr PropTag kDisplayBcc = 0x0E02001F;
constexpr PropTag kHasAttachments = 0x0E1B000B;

// Recipients ([MS-PST] 2.4.5.2)
constexpr PropTag kRecipientType = 0x0C150003;
constexpr PropTag kResponsibility = 0x0E0F000B;
constexpr PropTag kObjectType = 0x0FFE0003;
constexpr PropTag kEntryId = 0x0FFF0102;
constexpr PropTag kAddressType = 0x3002001F;
constexpr PropTag kEmailAddress = 0x3003001F;
constexpr PropTag kDisplayType = 0x39000003;
constexpr PropTag kRowid = 0x30000003;

// Attachments ([MS-PST] 2.4.6)
constexpr PropTag kAttachSize = 0x0E200003;
constexpr PropTag kAttachDataBinary = 0x37010102;
constexpr PropTag kAttachDataObject = 0x3701000D;
constexpr PropTag kAttachExtension = 0x3703001F;
constexpr PropTag kAttachFilename = 0x3704001F;
constexpr PropTag kAttachMethod = 0x37050003;
constexpr PropTag kAttachLongFilename = 0x3707001F;
constexpr PropTag kRenderingPosition = 0x370B0003;
constexpr PropTag kAttachMimeTag = 0x370E001F;
constexpr PropTag kAttachNumber = 0x0E210003;

// Tables ([MS-PST] 2.3.4, 2.4.4.4)
constexpr PropTag kLtpRowId = 0x67F20003;
constexpr PropTag kLtpRowVer = 0x67F30003;
constexpr PropTag kReceiveFolderNid = 0x66050003;

// Name-to-id map ([MS-PST] 2.4.7)
constexpr PropTag kNameidBucketCount = 0x00010003;
constexpr PropTag kNameidStreamGuid = 0x00020102;
constexpr PropTag kNameidStreamEntry = 0x00030102;
constexpr PropTag kNameidStreamString = 0x00040102;
constexpr PropId kNameidBucketBase = 0x1000;

// ---- Internet mail ([MS-OXCMAIL] 2.2) ----------------------------------------------------

// Envelope
constexpr PropTag kImportance = 0x00170003;
constexpr PropTag kPriority = 0x00260003;
constexpr PropTag kReadReceiptRequested = 0x0029000B;
constexpr PropTag kSensitivity = 0x00360003;
constexpr PropTag kClientSubmitTime = 0x00390040;
constexpr PropTag kMessageDeliveryTime = 0x0E060040;
constexpr PropTag kConversationTopic = 0x0070001F;
constexpr PropTag kConversationIndex = 0x00710102;
constexpr PropTag kTransportMessageHeaders = 0x007D001F;
constexpr PropTag kInternetMessageId = 0x1035001F;
constexpr PropTag kInternetReferences = 0x1039001F;
constexpr PropTag kInReplyToId = 0x1042001F;
constexpr PropTag kMessageToMe = 0x0057000B;
constexpr PropTag kMessageCcMe = 0x0058000B;

// Originator groups ([MS-OXOMSG] 2.2.1.48-2.2.1.58)
constexpr PropTag kSentRepresentingSearchKey = 0x003B0102;
constexpr PropTag kSentRepresentingEntryId = 0x00410102;
constexpr PropTag kSentRepresentingName = 0x0042001F;
constexpr PropTag kSentRepresentingAddressType = 0x0064001F;
constexpr PropTag kSentRepresentingEmailAddress = 0x0065001F;
constexpr PropTag kSentRepresentingSmtpAddress = 0x5D02001F;
constexpr PropTag kSenderEntryId = 0x0C190102;
constexpr PropTag kSenderName = 0x0C1A001F;
constexpr PropTag kSenderSearchKey = 0x0C1D0102;
constexpr PropTag kSenderAddressType = 0x0C1E001F;
constexpr PropTag kSenderEmailAddress = 0x0C1F001F;
constexpr PropTag kSenderSmtpAddress = 0x5D01001F;
constexpr PropTag kReplyRecipientEntries = 0x004F0102;
constexpr PropTag kReplyRecipientNames = 0x0050001F;

// Recipient rows
constexpr PropTag kSmtpAddress = 0x39FE001F;
constexpr PropTag k7BitDisplayName = 0x39FF001F;
constexpr PropTag kTransmittableDisplayName = 0x3A20001F;
constexpr PropTag kSendRichInfo = 0x3A40000B;

// Bodies
constexpr PropTag kInternetCodepage = 0x3FDE0003;
constexpr PropTag kMessageCodepage = 0x3FFD0003;
constexpr PropTag kNativeBody = 0x10160003;

// Attachments
constexpr PropTag kAttachContentBase = 0x3711001F;
constexpr PropTag kAttachContentId = 0x3712001F;
constexpr PropTag kAttachContentLocation = 0x3713001F;
constexpr PropTag kAttachFlags = 0x37140003;
constexpr PropTag kTextAttachmentCharset = 0x371B001F;
constexpr PropTag kAttachmentHidden = 0x7FFE000B;

// Values of the Internet mail properties
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

// ---- Contacts ([MS-OXOCNTC] 2.2) ------------------------------------------------------------

// Names and titles ([MS-OXOCNTC] 2.2.1.1, 2.2.1.6)
constexpr PropTag kDisplayNamePrefix = 0x3A45001F;
constexpr PropTag kGivenName = 0x3A06001F;
constexpr PropTag kMiddleName = 0x3A44001F;
constexpr PropTag kSurname = 0x3A11001F;
constexpr PropTag kGeneration = 0x3A05001F;
constexpr PropTag kInitials = 0x3A0A001F;
constexpr PropTag kTitle = 0x3A17001F;
constexpr PropTag kCompanyName = 0x3A16001F;
constexpr PropTag kDepartmentName = 0x3A18001F;
constexpr PropTag kOfficeLocation = 0x3A19001F;
constexpr PropTag kProfession = 0x3A46001F;
constexpr PropTag kManagerName = 0x3A4E001F;
constexpr PropTag kAssistant = 0x3A30001F;
constexpr PropTag kSpouseName = 0x3A48001F;
constexpr PropTag kBusinessHomePage = 0x3A51001F;

// Telephone numbers ([MS-OXOCNTC] 2.2.1.4)
constexpr PropTag kBusinessTelephoneNumber = 0x3A08001F;
constexpr PropTag kBusinessFaxNumber = 0x3A24001F;
constexpr PropTag kHomeTelephoneNumber = 0x3A09001F;
constexpr PropTag kHomeFaxNumber = 0x3A25001F;
constexpr PropTag kMobileTelephoneNumber = 0x3A1C001F;
constexpr PropTag kPagerTelephoneNumber = 0x3A21001F;

// Addresses ([MS-OXOCNTC] 2.2.1.3): the home address, and the mailing address Outlook copies
// from the home or the work one.
constexpr PropTag kHomeAddressStreet = 0x3A5D001F;
constexpr PropTag kHomeAddressCity = 0x3A59001F;
constexpr PropTag kHomeAddressStateOrProvince = 0x3A5C001F;
constexpr PropTag kHomeAddressPostalCode = 0x3A5B001F;
constexpr PropTag kHomeAddressCountry = 0x3A5A001F;
constexpr PropTag kStreetAddress = 0x3A29001F;
constexpr PropTag kLocality = 0x3A27001F;
constexpr PropTag kStateOrProvince = 0x3A28001F;
constexpr PropTag kPostalCode = 0x3A2A001F;
constexpr PropTag kCountry = 0x3A26001F;
constexpr PropTag kPostalAddress = 0x3A15001F;

// Events ([MS-OXOCNTC] 2.2.1.5)
constexpr PropTag kWeddingAnniversary = 0x3A410040;
constexpr PropTag kBirthday = 0x3A420040;

// The icon Outlook shows for an item, and its value for a contact
constexpr PropTag kIconIndex = 0x10800003;
constexpr std::int32_t kIconContact = 0x00000200;

// Named contact properties: their LIDs in PSETID_Address ([MS-OXOCNTC] 2.2.1)
constexpr std::uint32_t kLidFileUnder = 0x8005;
constexpr std::uint32_t kLidFileUnderId = 0x8006;
constexpr std::uint32_t kLidHasPicture = 0x8015;
constexpr std::uint32_t kLidHomeAddress = 0x801A;
constexpr std::uint32_t kLidWorkAddress = 0x801B;
constexpr std::uint32_t kLidPostalAddressId = 0x8022;
constexpr std::uint32_t kLidAddressBookProviderEmailList = 0x8028;
constexpr std::uint32_t kLidAddressBookProviderArrayType = 0x8029;
constexpr std::uint32_t kLidHtml = 0x802B;
constexpr std::uint32_t kLidWorkAddressStreet = 0x8045;
constexpr std::uint32_t kLidWorkAddressCity = 0x8046;
constexpr std::uint32_t kLidWorkAddressState = 0x8047;
constexpr std::uint32_t kLidWorkAddressPostalCode = 0x8048;
constexpr std::uint32_t kLidWorkAddressCountry = 0x8049;
constexpr std::uint32_t kLidInstantMessagingAddress = 0x8062;
constexpr std::uint32_t kLidBirthdayLocal = 0x80DE;
constexpr std::uint32_t kLidWeddingAnniversaryLocal = 0x80DF;

// The three e-mail slots ([MS-OXOCNTC] 2.2.1.2): PidLidEmail1DisplayName, PidLidEmail1AddressType,
// PidLidEmail1EmailAddress, PidLidEmail1OriginalDisplayName, PidLidEmail1OriginalEntryId and the
// same for Email2 and Email3.
struct EmailSlotLids {
  std::uint32_t displayName;
  std::uint32_t addressType;
  std::uint32_t emailAddress;
  std::uint32_t originalDisplayName;
  std::uint32_t originalEntryId;
};
constexpr EmailSlotLids kLidEmailSlots[3] = {
    {0x8080, 0x8082, 0x8083, 0x8084, 0x8085},
    {0x8090, 0x8092, 0x8093, 0x8094, 0x8095},
    {0x80A0, 0x80A2, 0x80A3, 0x80A4, 0x80A5},
};

// ---- Template table columns ([MS-PST] 2.4.4.4.1 - 2.4.4.7, as Outlook writes them) ---------

constexpr PropTag kReplItemId = 0x0E300102;
constexpr PropTag kReplChangeNum = 0x0E330014;
constexpr PropTag kReplVersionHistory = 0x0E340102;
constexpr PropTag kReplFlags = 0x0E380003;
constexpr PropTag kReplCopiedFromVersionHistory = 0x0E3C0102;
constexpr PropTag kReplCopiedFromItemId = 0x0E3D0102;
constexpr PropTag kItemTemporaryFlags = 0x10970003;
constexpr PropTag kConversationId = 0x30130102;
constexpr PropTag kSecureSubmitFlags = 0x65C60003;
constexpr PropTag kParentDisplay = 0x0E05001F;
constexpr PropTag kLtpParentNid = 0x67F10003;
constexpr PropTag kSpoolerStatus = 0x0E100003;
constexpr PropTag kSubmitFlags = 0x0E140003;
// Columns Outlook's templates carry with no documented name or meaning for a personal store:
// a search-table flag, and the form and view-descriptor columns of the FAI contents table.
constexpr PropTag kSearchColumn0E2A = 0x0E2A000B;
constexpr PropTag kAssocColumn6800 = 0x6800001F;
constexpr PropTag kAssocColumn6803 = 0x6803000B;
constexpr PropTag kAssocColumn6805 = 0x68051003;
constexpr PropTag kAssocColumn682F = 0x682F001F;
constexpr PropTag kViewDescriptorFlags = 0x70030003;
constexpr PropTag kViewDescriptorLinkTo = 0x70040102;
constexpr PropTag kViewDescriptorViewFolder = 0x70050102;
constexpr PropTag kViewDescriptorName = 0x7006001F;
constexpr PropTag kViewDescriptorVersion = 0x70070003;

// Values of the bookkeeping properties
constexpr std::int32_t kMsgFlagRead = 0x01;
constexpr std::int32_t kMsgFlagUnsent = 0x08;
constexpr std::int32_t kMsgFlagHasAttach = 0x10;
constexpr std::int32_t kAttachByValue = 1;
constexpr std::int32_t kAttachEmbeddedMessage = 5;

}  // namespace mailferry::pst::tags
