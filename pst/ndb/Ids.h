// Node and block identifiers of the node database ([MS-PST] 2.2.2.1 NID, 2.2.2.2 BID).
#pragma once

#include <cstdint>

namespace mailferry::pst {

using Bid = std::uint64_t;  // [MS-PST] 2.2.2.2
using Nid = std::uint32_t;

// [MS-PST] 2.2.2.4 BREF: a block or page and where it lies in the file.
struct Bref {
  Bid bid = 0;
  std::uint64_t ib = 0;
};

enum class NidType : std::uint8_t {
  Hid = 0x00,
  Internal = 0x01,
  NormalFolder = 0x02,
  SearchFolder = 0x03,
  NormalMessage = 0x04,
  Attachment = 0x05,
  SearchUpdateQueue = 0x06,
  SearchCriteriaObject = 0x07,
  AssocMessage = 0x08,
  ContentsTableIndex = 0x0A,
  ReceiveFolderTable = 0x0B,
  OutgoingQueueTable = 0x0C,
  HierarchyTable = 0x0D,
  ContentsTable = 0x0E,
  AssocContentsTable = 0x0F,
  SearchContentsTable = 0x10,
  AttachmentTable = 0x11,
  RecipientTable = 0x12,
  SearchTableIndex = 0x13,
  Ltp = 0x1F,
};

constexpr Nid makeNid(NidType type, std::uint32_t index) {
  return (index << 5) | static_cast<std::uint8_t>(type);
}
constexpr NidType nidType(Nid nid) {
  return static_cast<NidType>(nid & 0x1F);
}
constexpr std::uint32_t nidIndex(Nid nid) {
  return nid >> 5;
}

// Predefined node ids ([MS-PST] 2.4.1).
namespace nids {
constexpr Nid kMessageStore = 0x21;
constexpr Nid kNameToIdMap = 0x61;
constexpr Nid kNormalFolderTemplate = 0xA1;
constexpr Nid kSearchFolderTemplate = 0xC1;
constexpr Nid kRootFolder = 0x122;
constexpr Nid kSearchManagementQueue = 0x1E1;
constexpr Nid kSearchActivityList = 0x201;
constexpr Nid kSearchDomainObject = 0x261;
constexpr Nid kSearchGathererQueue = 0x281;
constexpr Nid kSearchGathererDescriptor = 0x2A1;
constexpr Nid kSearchGathererFolderQueue = 0x321;
constexpr Nid kHierarchyTableTemplate = 0x60D;
constexpr Nid kContentsTableTemplate = 0x60E;
constexpr Nid kAssocContentsTableTemplate = 0x60F;
constexpr Nid kSearchContentsTableTemplate = 0x610;
constexpr Nid kReceiveFolderTable = 0x62B;
constexpr Nid kOutgoingQueueTable = 0x64C;
constexpr Nid kAttachmentTable = 0x671;
constexpr Nid kRecipientTable = 0x692;
}  // namespace nids

}  // namespace mailferry::pst
