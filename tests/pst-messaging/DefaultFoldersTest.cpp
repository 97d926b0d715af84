// Validating the IPM tree: the default folders with their container classes, the entry ids on
// the store, the root folder and the Inbox, the Junk slot, the receive folder table.
#include <gtest/gtest.h>

#include <map>

#include "pst/KnownTags.h"
#include "pst/messaging/EntryId.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/PstStore.h"
#include "tests/pst-messaging/StoreProbe.h"

namespace mailferry::pst {
namespace {

using mailferry::testing::TempFolder;
using testing::StoreProbe;

TEST(DefaultFolders, ValidatedStoreHasEveryDefaultFolderAndItsPointers) {
  TempFolder dir;
  const auto file = dir / "validated.pst";
  Guid uid{};
  std::map<DefaultFolder, Nid> defaults;
  {
    auto store = PstStore::create(file, u"Validated");
    uid = store->providerUid();
    EXPECT_FALSE(store->defaultFolder(DefaultFolder::Contacts).has_value());
    store->validateIpmTree();
    store->validateIpmTree();  // a second validation changes nothing
    for (auto kind : {DefaultFolder::Inbox, DefaultFolder::Outbox, DefaultFolder::SentMail,
                      DefaultFolder::DeletedItems, DefaultFolder::Calendar, DefaultFolder::Contacts,
                      DefaultFolder::Journal, DefaultFolder::Notes, DefaultFolder::Tasks,
                      DefaultFolder::Drafts, DefaultFolder::Junk}) {
      auto nid = store->defaultFolder(kind);
      ASSERT_TRUE(nid.has_value()) << static_cast<int>(kind);
      EXPECT_EQ(store->folderInfo(*nid).parent, store->ipmSubtree());
      defaults[kind] = *nid;
    }
    EXPECT_EQ(store->subfolders(store->ipmSubtree()).size(), 11u);
    auto contact = store->addMessage(defaults[DefaultFolder::Contacts]);
    contact->set(tags::kMessageClass, PropValue::utf8("IPM.Contact"));
    contact->save();
    store->close();
  }
  StoreProbe s(file);
  const std::map<DefaultFolder, std::pair<std::string, std::string>> expected = {
      {DefaultFolder::Inbox, {"Inbox", "IPF.Note"}},
      {DefaultFolder::Calendar, {"Calendar", "IPF.Appointment"}},
      {DefaultFolder::Contacts, {"Contacts", "IPF.Contact"}},
      {DefaultFolder::Journal, {"Journal", "IPF.Journal"}},
      {DefaultFolder::Notes, {"Notes", "IPF.StickyNote"}},
      {DefaultFolder::Tasks, {"Tasks", "IPF.Task"}},
      {DefaultFolder::Drafts, {"Drafts", "IPF.Note"}},
      {DefaultFolder::Junk, {"Junk E-mail", "IPF.Note"}}};
  for (const auto& [kind, nameAndClass] : expected) {
    EXPECT_EQ(s.text(defaults[kind], tags::kDisplayName), nameAndClass.first);
    EXPECT_EQ(s.text(defaults[kind], tags::kContainerClass), nameAndClass.second);
  }
  EXPECT_EQ(s.int32(defaults[DefaultFolder::Contacts], tags::kContentCount), 1);

  const Nid inbox = defaults[DefaultFolder::Inbox];
  const std::map<PropTag, DefaultFolder> pointers = {
      {tags::kIpmAppointmentEntryId, DefaultFolder::Calendar},
      {tags::kIpmContactEntryId, DefaultFolder::Contacts},
      {tags::kIpmJournalEntryId, DefaultFolder::Journal},
      {tags::kIpmNoteEntryId, DefaultFolder::Notes},
      {tags::kIpmTaskEntryId, DefaultFolder::Tasks},
      {tags::kIpmDraftsEntryId, DefaultFolder::Drafts}};
  for (Nid holder : {Nid{0x122}, inbox}) {
    for (const auto& [tag, kind] : pointers) {
      SCOPED_TRACE(tag);
      EXPECT_EQ(s.bytes(holder, tag), makeEntryId(uid, defaults[kind]));
    }
    // [MS-OXOSFLD] 2.2.4: multi-valued binary, Junk E-mail at index 4.
    const auto additional = *s.bytes(holder, tags::kAdditionalRenEntryIds);
    const std::uint32_t count = static_cast<std::uint32_t>(testing::asInt32(additional));
    ASSERT_GE(count, 5u);
    const auto offset4 = static_cast<std::uint32_t>(
        testing::asInt32({additional.begin() + 4 + 16, additional.begin() + 4 + 20}));
    const std::vector<std::uint8_t> junk(additional.begin() + offset4,
                                         additional.begin() + offset4 + kEntryIdSize);
    EXPECT_EQ(junk, makeEntryId(uid, defaults[DefaultFolder::Junk]));
  }
  EXPECT_EQ(s.int32(nids::kMessageStore, tags::kValidFolderMask), 0xFF);
  EXPECT_EQ(s.bytes(nids::kMessageStore, tags::kIpmOutboxEntryId),
            makeEntryId(uid, defaults[DefaultFolder::Outbox]));

  const auto receive = s.table(nids::kReceiveFolderTable);
  std::map<std::string, Nid> classes;
  for (const auto& row : receive.rows())
    classes[testing::utf16leToUtf8(*row.find(tags::kMessageClass))] =
        static_cast<Nid>(testing::asInt32(*row.find(tags::kReceiveFolderNid)));
  EXPECT_EQ(classes, (std::map<std::string, Nid>{
                         {"", inbox}, {"IPM", inbox}, {"Report.IPM", inbox}, {"IPC", 0x122}}));
}

TEST(DefaultFolders, AFolderOfTheDefaultNameMadeEarlierBecomesTheDefault) {
  TempFolder dir;
  auto store = PstStore::create(dir / "early.pst", u"Early");
  const Nid contacts = store->addFolder(store->ipmSubtree(), u"Contacts", u"IPF.Contact");
  store->validateIpmTree();
  EXPECT_EQ(store->defaultFolder(DefaultFolder::Contacts), contacts);
  EXPECT_EQ(store->subfolders(store->ipmSubtree()).size(), 11u);
}

}  // namespace
}  // namespace mailferry::pst
