// The mail-store interface over the PST engine: folders, items, lookups by path and by id.
#include <gtest/gtest.h>

#include <fstream>

#include "store/MAPIUtils.h"
#include "store/OpenMAPIFolder.h"
#include "store/StoreError.h"
#include "tests/store/StoreTestFixture.h"

namespace mailferry::store {
namespace {

using testing::StoreTest;
constexpr char kSep = sources::kPathSeparator;

class FolderLookupTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    store_ = addStore("S");
    auto mail = store_->IPMRootFolder().Folders().add("Mail", 6);
    mail.Folders().add("Inbox", 6);
  }
  // The store holds its file open, and Windows removes no open file.
  void TearDown() override {
    store_.reset();
    StoreTest::TearDown();
  }
  std::optional<Store> store_;
};

TEST_F(FolderLookupTest, AbsolutePathsWalkFromTheStoreNamedFirst) {
  auto inbox = OpenMAPIFolder(path({"S", "Mail", "Inbox"}));
  ASSERT_TRUE(inbox);
  EXPECT_EQ(inbox->Name(), "Inbox");

  auto top = OpenMAPIFolder(path({"S"}));
  ASSERT_TRUE(top);
  EXPECT_EQ(top->nid(), store_->IPMRootFolder().nid());

  // A trailing separator changes nothing.
  auto mail = OpenMAPIFolder(path({"S", "Mail"}) + kSep);
  ASSERT_TRUE(mail);
  EXPECT_EQ(mail->nid(), OpenMAPIFolder(path({"S", "Mail"}))->nid());
}

TEST_F(FolderLookupTest, ASingleSeparatorNamesNoFolder) {
  EXPECT_FALSE(OpenMAPIFolder(std::string(1, kSep)));
}

TEST_F(FolderLookupTest, RelativePathsStartAtTheCurrentFolder) {
  // The current folder is the top folder of the store added last.
  auto current = OpenMAPIFolder("");
  ASSERT_TRUE(current);
  EXPECT_EQ(current->nid(), store_->IPMRootFolder().nid());
  auto mail = OpenMAPIFolder("Mail");
  ASSERT_TRUE(mail);
  EXPECT_EQ(mail->Name(), "Mail");
  EXPECT_EQ(OpenMAPIFolder(path({"Mail", "Inbox"}, false))->Name(), "Inbox");
}

TEST_F(FolderLookupTest, AMissingNameAnywhereIsAnError) {
  EXPECT_THROW(OpenMAPIFolder(path({"S", "Mail", "Outbox"})), StoreError);
  EXPECT_THROW(OpenMAPIFolder(path({"T", "Mail"})), StoreError);
  EXPECT_THROW(OpenMAPIFolder(path({"S", "mail"})), StoreError);  // names match with case
  // Two adjacent separators look up an empty name.
  EXPECT_THROW(OpenMAPIFolder(path({"S", "", "Mail"})), StoreError);
}

TEST_F(FolderLookupTest, StorePathsOfTheSessionFindTheSameFolders) {
  const std::string prefix(2, kSep);
  EXPECT_EQ(session_->GetFolderFromPath(prefix + "S" + kSep + "Mail" + kSep + "Inbox").Name(),
            "Inbox");
  // The store path of a file in a root folder names the top folder.
  EXPECT_EQ(session_->GetFolderFromPath(prefix + "S" + kSep).nid(), store_->IPMRootFolder().nid());
  EXPECT_THROW(session_->GetFolderFromPath(prefix + "S" + kSep + "Nowhere"), StoreError);
  EXPECT_THROW(session_->GetFolderFromPath(path({"S", "Mail"})), StoreError);  // one separator
}

// Found paths are remembered: a path that was not found must be found once its folder is
// made, and a remembered one must keep giving its own folder, not one whose name differs in case.
TEST_F(FolderLookupTest, StorePathsAreFoundAgainAfterFoldersAreMade) {
  const std::string prefix(2, kSep);
  const std::string lower = prefix + "S" + kSep + "Mail" + kSep + "later";
  const std::string upper = prefix + "S" + kSep + "Mail" + kSep + "Later";
  EXPECT_THROW(session_->GetFolderFromPath(upper), StoreError);
  const Folder mail = session_->GetFolderFromPath(prefix + "S" + kSep + "Mail");
  const Folder made = mail.Folders().add("Later", FolderList::kMailFolder);
  EXPECT_EQ(session_->GetFolderFromPath(upper).nid(), made.nid());
  EXPECT_THROW(session_->GetFolderFromPath(lower), StoreError);
  const Folder other = mail.Folders().add("later", FolderList::kMailFolder);
  EXPECT_EQ(session_->GetFolderFromPath(lower).nid(), other.nid());
  EXPECT_EQ(session_->GetFolderFromPath(upper).nid(), made.nid());
  session_->Logoff();
  EXPECT_THROW(session_->GetFolderFromPath(upper), StoreError);
}

TEST_F(FolderLookupTest, LoggedOffStoresAreNoLongerFound) {
  session_->Logoff();
  EXPECT_THROW(OpenMAPIFolder(path({"S", "Mail"})), StoreError);
  EXPECT_THROW(OpenMAPIFolder("Mail"), StoreError);  // no current folder any more
}

TEST_F(StoreTest, FoldersAreAddedOnceAndEnumeratedByName) {
  auto top = addStore("S").IPMRootFolder();
  top.Folders().add("Mail", 6);
  top.Folders().add("mail", 6);  // differs only in case: a folder of its own
  EXPECT_THROW(top.Folders().add("Mail", 6), StoreError);
  EXPECT_THROW(top.Folders().add("", 6), StoreError);
  EXPECT_THROW(top.Folders().add("Other", 7), StoreError);

  std::vector<std::string> names;
  for (const auto& folder : top.Folders()) names.push_back(folder.Name());
  // After the folders every new store has (Deleted Items, ...), in the order they were made.
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(names.end() - 2, names.end()),
            (std::vector<std::string>{"Mail", "mail"}));
}

TEST_F(StoreTest, StoresAreFoundAgainByTheirEntryId) {
  auto store = addStore("S");
  const auto id = store.EntryID();
  EXPECT_FALSE(id.empty());
  EXPECT_EQ(session_->GetStoreFromID(id).IPMRootFolder().nid(), store.IPMRootFolder().nid());
  EXPECT_EQ(session_->Stores().GetStoreFromID(id).EntryID(), id);
  EXPECT_THROW(session_->GetStoreFromID("00"), StoreError);
}

TEST_F(StoreTest, ValidatingTheTreeGivesTheDefaultContactsFolder) {
  auto store = addStore("S");
  EXPECT_THROW(store.GetDefaultFolder(10), StoreError);
  store.ValidateIPMTree();
  auto contacts = store.GetDefaultFolder(10);
  EXPECT_EQ(contacts.Name(), "Contacts");
  // Validating again makes nothing twice.
  store.ValidateIPMTree();
  EXPECT_EQ(store.GetDefaultFolder(10).nid(), contacts.nid());
}

TEST_F(StoreTest, ItemsComeInTwoKindsAndAreOnlyStoredWhenSaved) {
  auto store = addStore("S");
  store.ValidateIPMTree();
  auto inbox = store.IPMRootFolder().Folders().add("Mail", 6);
  EXPECT_THROW(inbox.Items().add(1), StoreError);

  auto abandoned = inbox.Items().add(0);
  abandoned.reset();

  auto contact = store.GetDefaultFolder(10).Items().add(2);
  contact->put("FirstName", "Ann");
  contact->put("Email1Address", "ann@example.com");
  EXPECT_THROW(contact->put("NoSuchProperty", "x"), StoreError);
  MAPIUtils::HrSetOneProp(contact->MAPIOBJECT(), 0x3A45001F, std::string("Dr."), true);
  contact->Save();

  auto mail = inbox.Items().add(0);
  EXPECT_THROW(mail->put("FirstName", "Ann"), StoreError);
  MAPIUtils::HrSetOneProp(mail->MAPIOBJECT(), 0x0E070003, 1, true);
  mail->Save();

  auto& file = *store.openStore()->file;
  EXPECT_EQ(file.folderInfo(inbox.nid()).contentCount, 1);
  EXPECT_EQ(file.folderInfo(store.GetDefaultFolder(10).nid()).contentCount, 1);
}

TEST_F(StoreTest, ImportNamesTheFileThatCouldNotBeRead) {
  auto folder = addStore("S").IPMRootFolder().Folders().add("Mail", 6);
  auto item = folder.Items().add(0);
  const auto missing = dir_ / "missing.eml";
  try {
    item->Import(missing, 1024);
    FAIL() << "the import of a missing file succeeded";
  } catch (const StoreError& error) {
    EXPECT_NE(std::string(error.what()).find("missing.eml"), std::string::npos) << error.what();
  }
  std::ofstream(dir_ / "a.eml") << "Subject: Hello\r\nFrom: ann@example.com\r\n\r\nBody\r\n";
  EXPECT_THROW(item->Import(dir_ / "a.eml", 1), StoreError);  // only RFC 822 (1024) is known
  item->Import(dir_ / "a.eml", 1024);
  EXPECT_FALSE(item->hasAttachments());
  item->Save();
}

TEST_F(StoreTest, CallsBeforeLogonOrAfterLogoffFail) {
  Session session;
  EXPECT_THROW(session.Stores(), StoreError);
  session.Logon();
  auto store = session.Stores().AddPSTStore(dir_ / "x.pst", 1, "X");
  EXPECT_THROW(session.Stores().AddPSTStore(dir_ / "y.pst", 2, "Y"), StoreError);
  session.Logoff();
  EXPECT_THROW(store.IPMRootFolder(), StoreError);
  EXPECT_THROW(session.Logoff(), StoreError);
}

}  // namespace
}  // namespace mailferry::store

namespace mailferry::store {
namespace {

using MapiCommitTest = testing::StoreTest;

TEST_F(MapiCommitTest, ChangesCommittedThroughTheMapiObjectAreStoredWithoutASave) {
  auto folder = addStore("S").IPMRootFolder().Folders().add("Mail", 6);
  {
    auto item = folder.Items().add(0);
    MAPIUtils::HrSetOneProp(item->MAPIOBJECT(), 0x0E070003, 1, true);
  }
  {
    auto item = folder.Items().add(0);
    MAPIUtils::HrSetOneProp(item->MAPIOBJECT(), 0x0E070003, 1, false);  // set, never committed
  }
  EXPECT_EQ(folder.store()->file->folderInfo(folder.nid()).contentCount, 1);
}

}  // namespace
}  // namespace mailferry::store
