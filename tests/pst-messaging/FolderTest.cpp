// Folders: creation under a parent, the parent's hierarchy row and Subfolders flag, lookup by
// exact name, and the counts in the folder's PC and in its parent's row after messages.
#include <gtest/gtest.h>

#include "pst/KnownTags.h"
#include "pst/PstError.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/PstStore.h"
#include "tests/pst-messaging/StoreProbe.h"

namespace mailferry::pst {
namespace {

using mailferry::testing::TempFolder;
using testing::StoreProbe;

const ReadRow* rowOf(const TableContextReader& table, Nid rowId) {
  for (const auto& row : table.rows())
    if (row.rowId == rowId) return &row;
  return nullptr;
}

void saveMessage(PstStore& store, Nid folder, const std::string& subject, bool read) {
  auto m = store.addMessage(folder);
  m->set(tags::kSubject, PropValue::utf8(subject));
  m->set(tags::kMessageFlags, PropValue::int32(read ? tags::kMsgFlagRead : 0));
  m->save();
}

TEST(Folders, NestedFoldersAreRowsOfTheirParentsWithTheirOwnProperties) {
  TempFolder dir;
  const auto file = dir / "folders.pst";
  Nid mail = 0, inbox = 0, archive = 0;
  {
    auto store = PstStore::create(file, u"Folders");
    mail = store->addFolder(store->ipmSubtree(), u"Mail");
    inbox = store->addFolder(mail, u"Inbox");
    archive = store->addFolder(inbox, u"Archive", u"IPF.Note");
    EXPECT_EQ(nidType(mail), NidType::NormalFolder);
    EXPECT_EQ(store->subfolders(mail).size(), 1u);
    EXPECT_EQ(store->findSubfolder(mail, u"Inbox"), inbox);
    EXPECT_FALSE(store->findSubfolder(mail, u"inbox").has_value()) << "names match exactly";
    EXPECT_FALSE(store->findSubfolder(mail, u"Inbox ").has_value());
    EXPECT_THROW(store->addFolder(mail, u"Inbox"), PstError);
    EXPECT_NO_THROW(store->addFolder(mail, u"INBOX"));
    store->close();
  }
  StoreProbe s(file);
  for (Nid f : {mail, inbox, archive}) {
    SCOPED_TRACE(f);
    // The folder's four nodes share one index; the tables have no parent.
    EXPECT_TRUE(s.has(f + 0xB) && s.has(f + 0xC) && s.has(f + 0xD));
    EXPECT_EQ(s.node(f + 0xB).parent, 0u);
  }
  EXPECT_EQ(s.node(mail).parent, 0x8022u);
  EXPECT_EQ(s.node(inbox).parent, mail);
  EXPECT_EQ(s.node(archive).parent, inbox);
  EXPECT_EQ(s.text(archive, tags::kContainerClass), "IPF.Note");

  EXPECT_EQ(s.bytes(mail, tags::kSubfolders)->at(0), 1);
  EXPECT_EQ(s.bytes(archive, tags::kSubfolders)->at(0), 0);
  const auto table = s.table(mail + 0xB);
  ASSERT_EQ(table.rows().size(), 2u);
  const ReadRow* row = rowOf(table, inbox);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(testing::utf16leToUtf8(*row->find(tags::kDisplayName)), "Inbox");
  // Inbox got a child after its row was first written: the row follows its PC.
  EXPECT_EQ(row->find(tags::kSubfolders)->at(0), 1);
}

TEST(Folders, CountsFollowSavedMessagesInThePcAndInTheParentsRow) {
  TempFolder dir;
  const auto file = dir / "counts.pst";
  Nid folder = 0, empty = 0;
  {
    auto store = PstStore::create(file, u"Counts");
    folder = store->addFolder(store->ipmSubtree(), u"Mail");
    empty = store->addFolder(store->ipmSubtree(), u"Empty");
    saveMessage(*store, folder, "read 1", true);
    saveMessage(*store, folder, "unread 1", false);
    saveMessage(*store, folder, "unread 2", false);
    saveMessage(*store, folder, "read 2", true);
    saveMessage(*store, folder, "read 3", true);
    const auto info = store->folderInfo(folder);
    EXPECT_EQ(info.contentCount, 5);
    EXPECT_EQ(info.unreadCount, 2);
    store->close();
  }
  StoreProbe s(file);
  EXPECT_EQ(s.int32(folder, tags::kContentCount), 5);
  EXPECT_EQ(s.int32(folder, tags::kContentUnreadCount), 2);
  EXPECT_EQ(s.int32(empty, tags::kContentCount), 0);
  const auto parent = s.table(0x8022 + 0xB);
  const ReadRow* row = rowOf(parent, folder);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(testing::asInt32(*row->find(tags::kContentCount)), 5);
  EXPECT_EQ(testing::asInt32(*row->find(tags::kContentUnreadCount)), 2);
  EXPECT_EQ(s.table(folder + 0xC).rows().size(), 5u);
  EXPECT_EQ(s.table(empty + 0xC).rows().size(), 0u);
}

TEST(Folders, UnknownFolderIsAnError) {
  TempFolder dir;
  auto store = PstStore::create(dir / "unknown.pst", u"Unknown");
  EXPECT_THROW(store->addFolder(0x12345602, u"X"), PstError);
  EXPECT_THROW(store->addMessage(0x12345602), PstError);
  EXPECT_THROW(store->subfolders(0x12345602), PstError);
}

}  // namespace
}  // namespace mailferry::pst
