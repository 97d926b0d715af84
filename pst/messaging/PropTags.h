// The MAPI property tags that the messaging layer itself reads or writes ([MS-OXPROPS],
// [MS-PST] 2.4): store, folder, message, recipient and attachment bookkeeping.
#pragma once

#include "pst/Property.h"

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

// Values
constexpr std::int32_t kMsgFlagRead = 0x01;
constexpr std::int32_t kMsgFlagUnsent = 0x08;
constexpr std::int32_t kMsgFlagHasAttach = 0x10;
constexpr std::int32_t kAttachByValue = 1;
constexpr std::int32_t kAttachEmbeddedMessage = 5;

}  // namespace mailferry::pst::tags
