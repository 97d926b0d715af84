// Template column sets, copied from a store written by Outlook (row id and row version are
// added by the table writer itself).
#include "pst/messaging/StoreTemplates.h"

#include "pst/KnownTags.h"

namespace mailferry::pst::templates {

const std::vector<PropTag>& hierarchyColumns() {
  static const std::vector<PropTag> kColumns = {
      tags::kReplItemId,     tags::kReplChangeNum,  tags::kReplVersionHistory, tags::kReplFlags,
      tags::kDisplayName,    tags::kContentCount,   tags::kContentUnreadCount, tags::kSubfolders,
      tags::kContainerClass, tags::kPstHiddenCount, tags::kPstHiddenUnread};
  return kColumns;
}

const std::vector<PropTag>& contentsColumns() {
  static const std::vector<PropTag> kColumns = {tags::kImportance,
                                                tags::kMessageClass,
                                                tags::kSensitivity,
                                                tags::kSubject,
                                                tags::kClientSubmitTime,
                                                tags::kSentRepresentingName,
                                                tags::kMessageToMe,
                                                tags::kMessageCcMe,
                                                tags::kConversationTopic,
                                                tags::kConversationIndex,
                                                tags::kDisplayCc,
                                                tags::kDisplayTo,
                                                tags::kMessageDeliveryTime,
                                                tags::kMessageFlags,
                                                tags::kMessageSize,
                                                tags::kMessageStatus,
                                                tags::kReplItemId,
                                                tags::kReplChangeNum,
                                                tags::kReplVersionHistory,
                                                tags::kReplFlags,
                                                tags::kReplCopiedFromVersionHistory,
                                                tags::kReplCopiedFromItemId,
                                                tags::kItemTemporaryFlags,
                                                tags::kLastModificationTime,
                                                tags::kConversationId,
                                                tags::kSecureSubmitFlags};
  return kColumns;
}

const std::vector<PropTag>& assocContentsColumns() {
  static const std::vector<PropTag> kColumns = {tags::kMessageClass,
                                                tags::kMessageFlags,
                                                tags::kMessageStatus,
                                                tags::kDisplayName,
                                                tags::kAssocColumn6800,
                                                tags::kAssocColumn6803,
                                                tags::kAssocColumn6805,
                                                tags::kAssocColumn682F,
                                                tags::kViewDescriptorFlags,
                                                tags::kViewDescriptorLinkTo,
                                                tags::kViewDescriptorViewFolder,
                                                tags::kViewDescriptorName,
                                                tags::kViewDescriptorVersion};
  return kColumns;
}

const std::vector<PropTag>& searchContentsColumns() {
  static const std::vector<PropTag> kColumns = {tags::kImportance,
                                                tags::kMessageClass,
                                                tags::kSensitivity,
                                                tags::kSubject,
                                                tags::kSentRepresentingName,
                                                tags::kMessageToMe,
                                                tags::kMessageCcMe,
                                                tags::kDisplayCc,
                                                tags::kDisplayTo,
                                                tags::kParentDisplay,
                                                tags::kMessageDeliveryTime,
                                                tags::kMessageFlags,
                                                tags::kMessageSize,
                                                tags::kMessageStatus,
                                                tags::kSearchColumn0E2A,
                                                tags::kLastModificationTime,
                                                tags::kLtpParentNid};
  return kColumns;
}

const std::vector<PropTag>& attachmentColumns() {
  static const std::vector<PropTag> kColumns = {tags::kAttachSize, tags::kAttachFilename,
                                                tags::kAttachMethod, tags::kRenderingPosition};
  return kColumns;
}

const std::vector<PropTag>& recipientColumns() {
  static const std::vector<PropTag> kColumns = {
      tags::kRecipientType, tags::kResponsibility, tags::kRecordKey,       tags::kObjectType,
      tags::kEntryId,       tags::kDisplayName,    tags::kAddressType,     tags::kEmailAddress,
      tags::kSearchKey,     tags::kDisplayType,    tags::k7BitDisplayName, tags::kSendRichInfo};
  return kColumns;
}

const std::vector<PropTag>& receiveFolderColumns() {
  static const std::vector<PropTag> kColumns = {tags::kMessageClass, tags::kReceiveFolderNid};
  return kColumns;
}

const std::vector<PropTag>& outgoingQueueColumns() {
  static const std::vector<PropTag> kColumns = {tags::kClientSubmitTime, tags::kSpoolerStatus,
                                                tags::kSubmitFlags};
  return kColumns;
}

}  // namespace mailferry::pst::templates
