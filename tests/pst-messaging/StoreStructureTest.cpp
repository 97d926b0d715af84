// A new store next to Outlook's own: the mandatory nodes and their parents, the template
// tables' columns, the message store's properties and entry ids, the receive folder table.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "pst/KnownTags.h"
#include "pst/PstError.h"
#include "pst/messaging/EntryId.h"
#include "pst/messaging/PstStore.h"
#include "pst/messaging/SearchObjects.h"
#include "tests/pst-messaging/StoreProbe.h"
#include "tests/support/TestData.h"

namespace mailferry::pst {
namespace {

using mailferry::testing::TempFolder;
using testing::StoreProbe;

class NewStore : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_ / "new.pst";
    auto store = PstStore::create(file_, u"Structure Test");
    uid_ = store->providerUid();
    store->close();
    ours_ = std::make_unique<StoreProbe>(file_);
    outlook_ = std::make_unique<StoreProbe>(mailferry::testing::referencePst());
  }

  TempFolder dir_;
  std::filesystem::path file_;
  Guid uid_{};
  std::unique_ptr<StoreProbe> ours_;
  std::unique_ptr<StoreProbe> outlook_;
};

TEST_F(NewStore, HasEveryMandatoryNodeWithOutlooksParents) {
  // node -> parent, as Outlook's file has them.
  const std::vector<std::pair<Nid, Nid>> expected = {
      {0x21, 0},       {0x61, 0},        {0x122, 0x122}, {0x12D, 0},  {0x12E, 0},
      {0x12F, 0},      {0x1E1, 0},       {0x60D, 0},     {0x60E, 0},  {0x60F, 0},
      {0x610, 0},      {0x62B, 0},       {0x64C, 0},     {0x671, 0},  {0x692, 0},
      {0x2223, 0x122}, {0x2226, 0},      {0x2227, 0},    {0x2230, 0}, {0x8022, 0x122},
      {0x8042, 0x122}, {0x8062, 0x8022}, {0x802D, 0},    {0x802E, 0}, {0x802F, 0}};
  for (const auto& [nid, parent] : expected) {
    SCOPED_TRACE(nid);
    ASSERT_TRUE(ours_->has(nid));
    EXPECT_EQ(ours_->node(nid).parent, parent);
    ASSERT_TRUE(outlook_->has(nid));
    EXPECT_EQ(outlook_->node(nid).parent, parent);
  }
  EXPECT_EQ(ours_->node(0x1E1).data, 0u) << "the search management queue starts empty";
}

TEST_F(NewStore, TemplateTablesHaveExactlyOutlooksColumns) {
  for (Nid table : {nids::kHierarchyTableTemplate, nids::kContentsTableTemplate,
                    nids::kAssocContentsTableTemplate, nids::kSearchContentsTableTemplate,
                    nids::kAttachmentTable, nids::kRecipientTable, nids::kReceiveFolderTable,
                    nids::kOutgoingQueueTable}) {
    SCOPED_TRACE(table);
    EXPECT_EQ(ours_->columnTags(table), outlook_->columnTags(table));
    if (table != nids::kReceiveFolderTable) {
      EXPECT_TRUE(ours_->table(table).rows().empty());
    }
  }
}

TEST_F(NewStore, FolderTablesStartAsCopiesOfTheTemplates) {
  for (Nid folder : {Nid{0x122}, Nid{0x8022}, Nid{0x8042}, Nid{0x8062}}) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(ours_->columnTags(folder + 0xB), ours_->columnTags(nids::kHierarchyTableTemplate));
    EXPECT_EQ(ours_->columnTags(folder + 0xC), ours_->columnTags(nids::kContentsTableTemplate));
    EXPECT_EQ(ours_->columnTags(folder + 0xD),
              ours_->columnTags(nids::kAssocContentsTableTemplate));
  }
  EXPECT_EQ(ours_->columnTags(kSpamSearchContents),
            ours_->columnTags(nids::kSearchContentsTableTemplate));
}

TEST_F(NewStore, MessageStoreHasOutlooksPropertiesExceptReplicationBookkeeping) {
  const auto ourList = ours_->propertyTags(nids::kMessageStore);
  const auto outlookList = outlook_->propertyTags(nids::kMessageStore);
  std::set<PropTag> ourTags(ourList.begin(), ourList.end());
  std::set<PropTag> outlookTags(outlookList.begin(), outlookList.end());
  // Left out: replication history and flags, and the id of a search folder we do not make.
  for (PropTag omitted : {PropTag{0x0E340102}, PropTag{0x0E380003}, PropTag{0x34160102}})
    outlookTags.erase(omitted);
  EXPECT_EQ(ourTags, outlookTags);

  const auto recordKey = *ours_->bytes(nids::kMessageStore, tags::kRecordKey);
  EXPECT_TRUE(std::equal(recordKey.begin(), recordKey.end(), uid_.begin(), uid_.end()));
  EXPECT_EQ(ours_->text(nids::kMessageStore, tags::kDisplayName), "Structure Test");
  EXPECT_EQ(ours_->int32(nids::kMessageStore, tags::kPstPassword), 0);
  EXPECT_EQ(ours_->int32(nids::kMessageStore, tags::kValidFolderMask), 0xFD)
      << "every folder but the Inbox, which only validateIpmTree makes";
}

TEST_F(NewStore, StoreEntryIdsNameExistingFoldersOfThisStore) {
  const std::vector<std::pair<PropTag, std::string>> pointers = {
      {tags::kIpmSubtreeEntryId, "Top of Personal Folders"},
      {tags::kIpmWastebasketEntryId, "Deleted Items"},
      {tags::kFinderEntryId, "Search Root"},
      {tags::kIpmOutboxEntryId, "Outbox"},
      {tags::kIpmSentMailEntryId, "Sent Items"},
      {tags::kViewsEntryId, "IPM_VIEWS"},
      {tags::kCommonViewsEntryId, "IPM_COMMON_VIEWS"}};
  for (const auto& [tag, name] : pointers) {
    SCOPED_TRACE(name);
    const auto value = ours_->bytes(nids::kMessageStore, tag);
    ASSERT_TRUE(value.has_value());
    ASSERT_EQ(value->size(), kEntryIdSize);
    const auto nid = nidFromEntryId(uid_, *value);
    ASSERT_TRUE(nid.has_value());
    EXPECT_EQ(nidType(*nid), NidType::NormalFolder);
    EXPECT_EQ(ours_->text(*nid, tags::kDisplayName), name);
  }
  // Outlook's example: folder 0x8022 of the provider in its RecordKey.
  Guid outlookUid{};
  const auto key = *outlook_->bytes(nids::kMessageStore, tags::kRecordKey);
  std::copy(key.begin(), key.end(), outlookUid.begin());
  EXPECT_EQ(makeEntryId(outlookUid, 0x8022),
            *outlook_->bytes(nids::kMessageStore, tags::kIpmSubtreeEntryId));
}

TEST_F(NewStore, RootHierarchyListsItsChildrenWithTheirProperties) {
  const auto hierarchy = ours_->table(0x122 + 0xB);
  const auto& rows = hierarchy.rows();
  std::set<Nid> ids;
  for (const auto& row : rows) ids.insert(row.rowId);
  auto pointed = [this](PropTag tag) {
    return *nidFromEntryId(uid_, *ours_->bytes(nids::kMessageStore, tag));
  };
  EXPECT_EQ(ids, (std::set<Nid>{0x8022, 0x8042, pointed(tags::kViewsEntryId),
                                pointed(tags::kCommonViewsEntryId), kSpamSearchFolder}));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.rowId);
    const auto pc = ours_->pc(row.rowId);
    for (const auto& [tag, bytes] : row.cells) {
      if (tagId(tag) >= 0x67F0) continue;  // row id and version
      const auto* p = pc.find(tagId(tag));
      ASSERT_NE(p, nullptr) << std::hex << tag;
      EXPECT_EQ(p->bytes, bytes) << std::hex << tag;
    }
  }
  EXPECT_EQ(ours_->bytes(0x122, tags::kDisplayName)->size(), 0u);
  EXPECT_EQ(ours_->bytes(0x122, tags::kSubfolders)->at(0), 1);
}

TEST_F(NewStore, ReceiveFolderTableSendsIpcToTheRoot) {
  const auto table = ours_->table(nids::kReceiveFolderTable);
  const auto& rows = table.rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(testing::utf16leToUtf8(*rows[0].find(tags::kMessageClass)), "IPC");
  EXPECT_EQ(testing::asInt32(*rows[0].find(tags::kReceiveFolderNid)), 0x122);
}

TEST_F(NewStore, RefusesToOverwriteAFile) {
  EXPECT_THROW(PstStore::create(file_, u"Again"), PstError);
  EXPECT_NO_THROW(StoreProbe{file_});
}

}  // namespace
}  // namespace mailferry::pst
