// Messages: required properties, PidTagMessageSize against the bytes on disk, the contents
// row as a copy of the PC, recipients, attachments (small, streamed, embedded messages), and
// items that are abandoned or saved twice.
#include <gtest/gtest.h>

#include <map>

#include "pst/KnownTags.h"
#include "pst/PstError.h"
#include "pst/messaging/AttachmentWriter.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/PstStore.h"
#include "pst/messaging/StoreTemplates.h"
#include "tests/pst-messaging/StoreProbe.h"

namespace mailferry::pst {
namespace {

using mailferry::testing::TempFolder;
using testing::StoreProbe;

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> out(size);
  for (std::size_t i = 0; i < size; ++i)
    out[i] = static_cast<std::uint8_t>(i * 7 + seed + (i >> 9));
  return out;
}

void appendInPieces(AttachmentSink& a, const std::vector<std::uint8_t>& data, std::size_t piece) {
  for (std::size_t off = 0; off < data.size(); off += piece)
    a.appendData(
        std::span<const std::uint8_t>(data).subspan(off, std::min(piece, data.size() - off)));
}

class Messages : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_ / "messages.pst";
    store_ = PstStore::create(file_, u"Messages");
    folder_ = store_->addFolder(store_->ipmSubtree(), u"Mail");
  }
  StoreProbe reopen() {
    store_->close();
    store_.reset();
    return StoreProbe(file_);
  }

  TempFolder dir_;
  std::filesystem::path file_;
  std::unique_ptr<PstStore> store_;
  Nid folder_ = 0;
};

TEST_F(Messages, SavedMessageHasTheRequiredPropertiesAndARowCopiedFromThem) {
  auto m = store_->addMessage(folder_);
  m->set(tags::kSubject, PropValue::utf8("Hello"));
  m->set(tags::kBody, PropValue::utf8(std::string(10000, 'b')));  // streamed ahead: > one heap item
  m->set(tags::kDisplayTo, PropValue::utf8("Bob"));
  m->addRecipient({{tags::kRecipientType, PropValue::int32(1)},
                   {tags::kDisplayName, PropValue::utf8("Bob")},
                   {tags::kEmailAddress, PropValue::utf8("bob@example.com")},
                   {tags::kAddressType, PropValue::utf8("SMTP")}});
  m->addRecipient({{tags::kRecipientType, PropValue::int32(2)},
                   {tags::kDisplayName, PropValue::utf8("Carol")}});
  const Nid nid = m->save();
  m.reset();
  StoreProbe s = reopen();

  EXPECT_EQ(nidType(nid), NidType::NormalMessage);
  EXPECT_EQ(s.node(nid).parent, folder_);
  EXPECT_EQ(s.text(nid, tags::kMessageClass), "IPM.Note");
  EXPECT_EQ(s.int32(nid, tags::kMessageFlags), tags::kMsgFlagRead);
  EXPECT_EQ(s.int32(nid, tags::kMessageStatus), 0);
  EXPECT_EQ(s.bytes(nid, tags::kSearchKey)->size(), 16u);
  EXPECT_EQ(s.bytes(nid, tags::kCreationTime)->size(), 8u);
  EXPECT_EQ(s.bytes(nid, tags::kLastModificationTime)->size(), 8u);
  EXPECT_EQ(s.text(nid, tags::kBody), std::string(10000, 'b'));

  const NodeEntry node = s.node(nid);
  const auto size = static_cast<std::int32_t>(s.onDiskSize(node.data, node.sub));
  EXPECT_EQ(s.int32(nid, tags::kMessageSize), size) << "the on-disk size of the item";

  const auto contents = s.table(folder_ + 0xC);
  ASSERT_EQ(contents.rows().size(), 1u);
  const ReadRow& row = contents.rows()[0];
  EXPECT_EQ(row.rowId, nid);
  const auto pc = s.pc(nid);
  for (PropTag column : templates::contentsColumns()) {
    SCOPED_TRACE(column);
    const ReadProperty* p = pc.find(tagId(column));
    const auto* cell = row.find(column);
    ASSERT_EQ(p != nullptr, cell != nullptr);
    if (p) {
      EXPECT_EQ(p->bytes, *cell);
    }
  }

  const auto recipients = s.subnode(nid, nids::kRecipientTable);
  ASSERT_TRUE(recipients.has_value());
  const auto table = s.subnodeTable(*recipients);
  ASSERT_EQ(table.rows().size(), 2u);
  std::vector<PropTag> columns;
  for (const auto& c : table.columns()) columns.push_back(c.tag);
  EXPECT_EQ(columns, s.columnTags(nids::kRecipientTable));
  const ReadRow& bob = table.rows()[0].find(tags::kRecipientType) &&
                               testing::asInt32(*table.rows()[0].find(tags::kRecipientType)) == 1
                           ? table.rows()[0]
                           : table.rows()[1];
  EXPECT_EQ(testing::utf16leToUtf8(*bob.find(tags::kEmailAddress)), "bob@example.com");
  EXPECT_EQ(testing::asInt32(*bob.find(tags::kObjectType)), 6) << "a mail user by default";
}

TEST_F(Messages, AttachmentsKeepTheirBytesAndCarryOutlooksRequiredProperties) {
  const auto small = pattern(100, 1);
  const auto big = pattern(1'000'000, 2);
  auto m = store_->addMessage(folder_);
  {
    auto a = m->addAttachment();
    a->set(tags::kAttachLongFilename, PropValue::utf8("small.txt"));
    a->set(tags::kAttachFilename, PropValue::utf8("small.txt"));
    a->appendData(small);
    a->close();
  }
  {
    auto a = m->addAttachment();
    a->set(tags::kAttachFilename, PropValue::utf8("big.bin"));
    appendInPieces(*a, big, 65536 + 3);
    // closed by its destructor
  }
  const auto gathered = pattern(9000, 3);  // small pieces that outgrow the heap on the way
  {
    auto a = m->addAttachment();
    a->set(tags::kAttachFilename, PropValue::utf8("gathered.bin"));
    appendInPieces(*a, gathered, 1000);
    a->appendData(std::span<const std::uint8_t>());
  }
  const std::map<std::string, const std::vector<std::uint8_t>*> bytesOf = {
      {"small.txt", &small}, {"big.bin", &big}, {"gathered.bin", &gathered}};
  const Nid nid = m->save();
  m.reset();
  StoreProbe s = reopen();

  EXPECT_EQ(*s.int32(nid, tags::kMessageFlags) & tags::kMsgFlagHasAttach, tags::kMsgFlagHasAttach);
  const auto tableEntry = s.subnode(nid, nids::kAttachmentTable);
  ASSERT_TRUE(tableEntry.has_value());
  const auto table = s.subnodeTable(*tableEntry);
  ASSERT_EQ(table.rows().size(), 3u);
  for (const auto& row : table.rows()) {
    SCOPED_TRACE(row.rowId);
    EXPECT_EQ(nidType(row.rowId), NidType::Attachment);
    const auto entry = s.subnode(nid, row.rowId);
    ASSERT_TRUE(entry.has_value());
    const auto pc = s.subnodePc(*entry);
    const std::string name = testing::utf16leToUtf8(pc.find(tagId(tags::kAttachFilename))->bytes);
    EXPECT_EQ(pc.find(tagId(tags::kAttachDataBinary))->bytes, *bytesOf.at(name));
    EXPECT_EQ(testing::asInt32(pc.find(tagId(tags::kAttachMethod))->bytes), 1);
    EXPECT_EQ(testing::asInt32(pc.find(tagId(tags::kRenderingPosition))->bytes), -1);
    const auto attachSize = testing::asInt32(pc.find(tagId(tags::kAttachSize))->bytes);
    EXPECT_GT(attachSize, static_cast<std::int32_t>(bytesOf.at(name)->size()));
    EXPECT_EQ(testing::asInt32(*row.find(tags::kAttachSize)), attachSize);
    EXPECT_EQ(testing::utf16leToUtf8(*row.find(tags::kAttachFilename)), name);
  }
  const NodeEntry node = s.node(nid);
  EXPECT_EQ(static_cast<std::uint64_t>(*s.int32(nid, tags::kMessageSize)),
            s.onDiskSize(node.data, node.sub));
}

TEST_F(Messages, EmbeddedMessagesNestWithTheirOwnSubnodes) {
  auto m = store_->addMessage(folder_);
  m->set(tags::kSubject, PropValue::utf8("outer"));
  {
    auto a = m->addAttachment();
    a->set(tags::kAttachLongFilename, PropValue::utf8("inner.msg"));
    {
      auto inner = a->embeddedMessage();
      inner->set(tags::kSubject, PropValue::utf8("inner"));
      inner->addRecipient({{tags::kDisplayName, PropValue::utf8("Dan")}});
      auto innerAttachment = inner->addAttachment();
      innerAttachment->set(tags::kAttachFilename, PropValue::utf8("deep.txt"));
      innerAttachment->appendData(pattern(5000, 3));
      innerAttachment->close();
    }
    EXPECT_THROW(a->embeddedMessage(), PstError) << "one embedded message per attachment";
    a->close();
  }
  const Nid nid = m->save();
  m.reset();
  StoreProbe s = reopen();

  const auto table = s.subnodeTable(*s.subnode(nid, nids::kAttachmentTable));
  ASSERT_EQ(table.rows().size(), 1u);
  const auto attachment = *s.subnode(nid, table.rows()[0].rowId);
  const auto pc = s.subnodePc(attachment);
  EXPECT_EQ(testing::asInt32(pc.find(tagId(tags::kAttachMethod))->bytes), 5);
  const auto object = pc.find(tagId(tags::kAttachDataObject));
  ASSERT_NE(object, nullptr);
  ASSERT_EQ(object->bytes.size(), 8u);
  const Nid innerNid = static_cast<Nid>(testing::asInt32(object->bytes));
  const auto innerSize = static_cast<std::uint32_t>(
      testing::asInt32(std::vector<std::uint8_t>(object->bytes.begin() + 4, object->bytes.end())));
  EXPECT_EQ(nidType(innerNid), NidType::NormalMessage);

  ASSERT_NE(attachment.sub, 0u);
  const auto children = s.ndb().readSubnodes(attachment.sub);
  ASSERT_EQ(children.size(), 1u);
  const SubnodeEntry& inner = children[0];
  EXPECT_EQ(inner.nid, innerNid);
  EXPECT_EQ(innerSize, s.onDiskSize(inner.data, inner.sub)) << "PtypObject size = embedded size";
  const auto innerPc = s.subnodePc(inner);
  EXPECT_EQ(testing::utf16leToUtf8(innerPc.find(tagId(tags::kSubject))->bytes), "inner");
  EXPECT_EQ(
      static_cast<std::uint32_t>(testing::asInt32(innerPc.find(tagId(tags::kMessageSize))->bytes)),
      innerSize);
  // The embedded message's own recipient and attachment tables and attachment.
  const auto grandchildren = s.ndb().readSubnodes(inner.sub);
  int tables = 0, attachments = 0;
  for (const auto& g : grandchildren) {
    tables += g.nid == nids::kRecipientTable || g.nid == nids::kAttachmentTable;
    attachments += nidType(g.nid) == NidType::Attachment;
  }
  EXPECT_EQ(tables, 2);
  EXPECT_EQ(attachments, 1);
}

TEST_F(Messages, AnAbandonedMessageLeavesNothing) {
  {
    auto kept = store_->addMessage(folder_);
    kept->set(tags::kSubject, PropValue::utf8("kept"));
    kept->save();
  }
  {
    auto dropped = store_->addMessage(folder_);
    dropped->set(tags::kSubject, PropValue::utf8("dropped"));
    dropped->set(tags::kBody, PropValue::utf8(std::string(20000, 'x')));
    auto a = dropped->addAttachment();
    appendInPieces(*a, pattern(300000, 4), 10000);
    a->close();
    // never saved
  }
  store_->commit();
  StoreProbe s = reopen();
  EXPECT_EQ(s.nodesOfType(NidType::NormalMessage).size(), 1u);
  EXPECT_EQ(s.table(folder_ + 0xC).rows().size(), 1u);
  EXPECT_EQ(s.int32(folder_, tags::kContentCount), 1);
  // Nothing on disk still refers to the dropped item's blocks: each block has one reference
  // more than its users (cRef), so an orphan would be left at 1.
  std::uint64_t total = 0;
  for (const auto& b : s.ndb().blocks()) total += b.size;
  EXPECT_LT(total, 300000u) << "the abandoned attachment's blocks are not kept";
}

TEST_F(Messages, SavingAgainKeepsOneRowAndFollowsTheReadFlag) {
  auto m = store_->addMessage(folder_);
  m->set(tags::kMessageFlags, PropValue::int32(0));
  m->set(tags::kSubject, PropValue::utf8("kept for now"));
  m->set(tags::kBody, PropValue::utf8(std::string(20000, 'b')));  // in a subnode of its own
  const Nid first = m->save();
  EXPECT_EQ(store_->folderInfo(folder_).unreadCount, 1);
  m->set(tags::kMessageFlags, PropValue::int32(tags::kMsgFlagRead));
  EXPECT_EQ(m->save(), first);
  EXPECT_EQ(store_->folderInfo(folder_).contentCount, 1);
  EXPECT_EQ(store_->folderInfo(folder_).unreadCount, 0);

  // Saved again with nothing changed: the item is not written again.
  const std::uint64_t saves = store_->itemsSaved();
  EXPECT_EQ(m->save(), first);
  EXPECT_EQ(store_->itemsSaved(), saves);
  // A removal is a change like any other.
  m->remove(tagId(tags::kSubject));
  EXPECT_EQ(m->save(), first);
  EXPECT_EQ(store_->itemsSaved(), saves + 1);

  m.reset();
  StoreProbe s = reopen();
  EXPECT_EQ(s.table(folder_ + 0xC).rows().size(), 1u);
  EXPECT_EQ(s.int32(first, tags::kMessageFlags), tags::kMsgFlagRead);
  EXPECT_EQ(s.text(first, tags::kSubject), "");
  EXPECT_EQ(s.text(first, tags::kBody), std::string(20000, 'b'));
}

TEST_F(Messages, OpenAttachmentsAndPendingItemsBlockSaveAndCommit) {
  auto m = store_->addMessage(folder_);
  auto a = m->addAttachment();
  a->appendData(pattern(10, 5));
  EXPECT_THROW(m->save(), PstError);
  EXPECT_THROW(store_->commit(), PstError) << "a commit would free the item's written blocks";
  a->close();
  EXPECT_NO_THROW(m->save());
  EXPECT_NO_THROW(store_->commit());
}

}  // namespace
}  // namespace mailferry::pst
