// A new PST message store on disk ([MS-PST] 2.4, 2.7).
#include "pst/messaging/PstStore.h"

#include <random>

#include "pst/Hex.h"
#include "pst/KnownTags.h"
#include "pst/PstError.h"
#include "pst/Utf.h"
#include "pst/messaging/DefaultFolders.h"
#include "pst/messaging/EntryId.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/RowCells.h"
#include "pst/messaging/SearchObjects.h"
#include "pst/messaging/StoreTemplates.h"

namespace mailferry::pst {

namespace {

// PidTagValidFolderMask bits (Mapidefs.h FOLDER_*_VALID).
constexpr std::int32_t kValidIpmSubtree = 0x01;
constexpr std::int32_t kValidOutbox = 0x04;
constexpr std::int32_t kValidWastebasket = 0x08;
constexpr std::int32_t kValidSentMail = 0x10;
constexpr std::int32_t kValidViews = 0x20;
constexpr std::int32_t kValidCommonViews = 0x40;
constexpr std::int32_t kValidFinder = 0x80;

Guid randomGuid() {
  std::random_device rd;
  Guid g{};
  for (auto& b : g) b = static_cast<std::uint8_t>(rd());
  return g;
}

void writeEmptyTable(NodeDatabase& db, Nid nid, const std::vector<PropTag>& columns) {
  TableContextWriter table(columns);
  db.putNode(nid, table.write(db), 0);
}

}  // namespace

PstStore::PstStore(std::unique_ptr<NodeDatabase> db, std::u16string_view displayName,
                   CommitPolicy policy)
    : db_(std::move(db)), providerUid_(randomGuid()), displayName_(displayName), policy_(policy) {}

std::unique_ptr<PstStore> PstStore::create(const std::filesystem::path& path,
                                           std::u16string_view displayName, CommitPolicy policy) {
  std::unique_ptr<PstStore> store(
      new PstStore(NodeDatabase::create(path, CryptMethod::Permute), displayName, policy));
  const FileIdentity created = store->fileIdentity();
  try {
    store->writeEmptyStore(displayName);
  } catch (...) {
    store->closed_ = true;  // nothing to commit: the file goes
    store.reset();
    removeIfSameFile(path, created);
    throw;
  }
  return store;
}

void PstStore::writeEmptyStore(std::u16string_view displayName) {
  // [MS-PST] 2.7.3.4: the root folder is its own parent and has an empty name.
  folders_.emplace(nids::kRootFolder,
                   std::make_unique<Folder>(nids::kRootFolder, nids::kRootFolder, u"", u""));
  // Created first, so that they get the ids Outlook gives them (0x8022, 0x8042, 0x8062).
  ipmSubtree_ = createFolder(nids::kRootFolder, u"Top of Personal Folders", u"");
  searchRoot_ = createFolder(nids::kRootFolder, u"Search Root", u"");
  defaults_[DefaultFolder::DeletedItems] = createFolder(ipmSubtree_, u"Deleted Items", u"IPF.Note");
  defaults_[DefaultFolder::Outbox] = createFolder(ipmSubtree_, u"Outbox", u"IPF.Note");
  defaults_[DefaultFolder::SentMail] = createFolder(ipmSubtree_, u"Sent Items", u"IPF.Note");
  const Nid views = createFolder(nids::kRootFolder, u"IPM_VIEWS", u"");
  const Nid commonViews = createFolder(nids::kRootFolder, u"IPM_COMMON_VIEWS", u"");
  folder(nids::kRootFolder)
      .putHierarchyRow(
          kSpamSearchFolder,
          withRowVersion(cellsFor(templates::hierarchyColumns(), spamSearchFolderProperties())),
          false);

  // [MS-PST] 2.4.3.1: the required store properties, and those Outlook keeps besides.
  auto& s = *this;
  s.storePc_.set(tags::kRecordKey, PropValue::binary(std::span<const std::uint8_t>(
                                       s.providerUid_.data(), s.providerUid_.size())));
  s.storePc_.set(tags::kDisplayName, PropValue::string(displayName));
  auto id = [&s](Nid nid) {
    const auto bytes = s.entryId(nid);
    return PropValue::binary(std::span<const std::uint8_t>(bytes));
  };
  s.storePc_.set(tags::kIpmSubtreeEntryId, id(s.ipmSubtree_));
  s.storePc_.set(tags::kIpmOutboxEntryId, id(s.defaults_[DefaultFolder::Outbox]));
  s.storePc_.set(tags::kIpmWastebasketEntryId, id(s.defaults_[DefaultFolder::DeletedItems]));
  s.storePc_.set(tags::kIpmSentMailEntryId, id(s.defaults_[DefaultFolder::SentMail]));
  s.storePc_.set(tags::kViewsEntryId, id(views));
  s.storePc_.set(tags::kCommonViewsEntryId, id(commonViews));
  s.storePc_.set(tags::kFinderEntryId, id(s.searchRoot_));
  s.storePc_.set(tags::kValidFolderMask,
                 PropValue::int32(kValidIpmSubtree | kValidOutbox | kValidWastebasket |
                                  kValidSentMail | kValidViews | kValidCommonViews | kValidFinder));
  s.storePc_.set(tags::kPstLrNoRestrictions, PropValue::boolean(true));
  s.storePc_.set(tags::kLatestPstEnsure, PropValue::int32(0x000E0011));
  s.storePc_.set(tags::kPstPassword, PropValue::int32(0));

  // Every stream of the name-to-id map starts non-empty, as in Outlook's own stores: readers
  // (pst-extractor) reject a map whose GUID, entry or string stream is an empty value. The two
  // names are ones mail items use anyway: PidLidSmartNoAttach and PidNameKeywords.
  s.names_.idOf(NamedProperty{guidFromString(tags::kPsetidCommon), tags::kLidSmartNoAttach});
  s.names_.idOf(NamedProperty{psPublicStrings(), std::u16string(u"Keywords")});

  // Messages of class IPC go to the root folder; the Inbox rows come with validateIpmTree().
  s.receiveFolders_.emplace_back(u"IPC", nids::kRootFolder);

  s.writeFixedNodes();
  s.commit();
}

PstStore::~PstStore() {
  if (closed_) return;
  try {
    close();
  } catch (...) {
    // Destructors must not throw; what was committed before stays valid on disk.
  }
}

void PstStore::checkOpen() const {
  if (closed_) throw PstError(PstError::Kind::Misuse, "the store is closed");
}

void PstStore::close() {
  checkOpen();
  // Items still unsaved at close are abandoned: they leave nothing.
  pendingItems_ = 0;
  commit();
  closed_ = true;
}

const std::filesystem::path& PstStore::path() const {
  return db_->path();
}

std::vector<std::uint8_t> PstStore::entryId(Nid nid) const {
  return makeEntryId(providerUid_, nid);
}

std::optional<Nid> PstStore::nidOf(std::span<const std::uint8_t> entryId) const {
  return nidFromEntryId(providerUid_, entryId);
}

void PstStore::writeFixedNodes() {
  NodeDatabase& db = *db_;
  // [MS-PST] 2.4.4.4.1, 2.4.4.5.1, 2.4.4.6.1, 2.4.8.6.2.1, 2.4.6.1.1, 2.4.5.2.1 templates.
  writeEmptyTable(db, nids::kHierarchyTableTemplate, templates::hierarchyColumns());
  writeEmptyTable(db, nids::kContentsTableTemplate, templates::contentsColumns());
  writeEmptyTable(db, nids::kAssocContentsTableTemplate, templates::assocContentsColumns());
  writeEmptyTable(db, nids::kSearchContentsTableTemplate, templates::searchContentsColumns());
  writeEmptyTable(db, nids::kAttachmentTable, templates::attachmentColumns());
  writeEmptyTable(db, nids::kRecipientTable, templates::recipientColumns());
  writeEmptyTable(db, nids::kOutgoingQueueTable, templates::outgoingQueueColumns());
  writeSearchObjects(db);
}

Folder& PstStore::folder(Nid nid) {
  auto it = folders_.find(nid);
  if (it == folders_.end())
    throw PstError(PstError::Kind::Misuse, "no folder with node id " + hex(nid),
                   db_ ? db_->path().string() : std::string());
  return *it->second;
}

const Folder& PstStore::folder(Nid nid) const {
  return const_cast<PstStore*>(this)->folder(nid);
}

bool PstStore::isFolder(Nid nid) const {
  return folders_.count(nid) != 0;
}

Cells PstStore::withRowVersion(Cells cells) {
  cells.emplace_back(tags::kLtpRowVer, PropValue::uint32(nextRowVersion()));
  return cells;
}

Nid PstStore::createFolder(Nid parentNid, std::u16string_view name,
                           std::u16string_view containerClass) {
  Folder& parent = folder(parentNid);
  const Nid nid = db_->allocateNid(NidType::NormalFolder);
  // Outlook keeps the table counters level with the folder counter ([MS-PST] 2.2.2.6 rgnid).
  db_->reserveNid(hierarchyTableNid(nid));
  db_->reserveNid(contentsTableNid(nid));
  db_->reserveNid(assocContentsTableNid(nid));
  auto child = std::make_unique<Folder>(nid, parentNid, name, containerClass);
  parent.putHierarchyRow(
      nid, withRowVersion(cellsFor(templates::hierarchyColumns(), child->properties())), true);
  child->parentRowWritten();
  folders_.emplace(nid, std::move(child));
  return nid;
}

Nid PstStore::addFolder(Nid parent, std::u16string_view name, std::u16string_view containerClass) {
  checkOpen();
  if (findSubfolder(parent, name))
    throw PstError(PstError::Kind::Misuse,
                   "a folder named \"" + toUtf8(name) + "\" exists already in \"" +
                       toUtf8(folder(parent).name()) + "\"",
                   path().string());
  return createFolder(parent, name, containerClass);
}

std::vector<FolderEntry> PstStore::subfolders(Nid parent) const {
  std::vector<FolderEntry> out;
  for (Nid child : folder(parent).children()) out.push_back({child, folder(child).name()});
  return out;
}

std::optional<Nid> PstStore::findSubfolder(Nid parent, std::u16string_view name) const {
  for (Nid child : folder(parent).children())
    if (folder(child).name() == name) return child;
  return std::nullopt;
}

FolderInfo PstStore::folderInfo(Nid nid) const {
  const Folder& f = folder(nid);
  FolderInfo info;
  info.name = f.name();
  info.containerClass = f.containerClass();
  info.contentCount = f.contentCount();
  info.unreadCount = f.unreadCount();
  info.hasSubfolders = !f.children().empty();
  info.parent = f.parent();
  return info;
}

void PstStore::setFolderProperty(Nid nid, PropTag tag, PropValue value) {
  checkOpen();
  folder(nid).setProperty(tag, std::move(value));
}

void PstStore::setStoreProperty(PropTag tag, PropValue value) {
  storePc_.set(tag, std::move(value));
  storeDirty_ = true;
}

std::optional<Nid> PstStore::defaultFolder(DefaultFolder kind) const {
  auto it = defaults_.find(kind);
  if (it == defaults_.end()) return std::nullopt;
  return it->second;
}

void PstStore::validateIpmTree() {
  DefaultFolders::validate(*this);
}

std::unique_ptr<MessageWriter> PstStore::addMessage(Nid folderNid) {
  checkOpen();
  folder(folderNid);  // throws for an unknown folder
  return std::unique_ptr<MessageWriter>(new MessageWriter(*this, folderNid));
}

PropTag PstStore::namedTag(const NamedProperty& name, PropType type) {
  checkOpen();
  return makeTag(names_.idOf(name), type);
}

void PstStore::messageSaved(Nid folderNid, Nid message, const PropertyContextWriter& pc,
                            std::optional<std::int32_t> previousFlags) {
  const PropValue* flagsValue = pc.find(tagId(tags::kMessageFlags));
  const bool unread = flagsValue && !(flagsValue->asInt32() & tags::kMsgFlagRead);
  const bool wasUnread = previousFlags && !(*previousFlags & tags::kMsgFlagRead);
  folder(folderNid).putContentsRow(message,
                                   withRowVersion(cellsFor(templates::contentsColumns(), pc)),
                                   previousFlags ? 0 : 1, (unread ? 1 : 0) - (wasUnread ? 1 : 0));
  ++itemsSaved_;
  ++itemsSinceCommit_;
  // The automatic commit runs in the background: the next items are written while it waits
  // for the disk.
  if (pendingItems_ == 0 &&
      policy_.due(itemsSinceCommit_, db_->bytesSinceCommit(), policy_.now() - lastCommit_))
    commit(false);
}

void PstStore::commit() {
  commit(true);
}

void PstStore::waitForWrites() {
  checkOpen();
  db_->waitForWrites();
}

void PstStore::commit(bool wait) {
  checkOpen();
  if (pendingItems_ > 0)
    throw PstError(PstError::Kind::Misuse,
                   "the store cannot commit while an item has unsaved changes", path().string());
  NodeDatabase& db = *db_;
  // Copies of changed folder properties in the parents' hierarchy tables.
  for (auto& [nid, f] : folders_) {
    if (nid == nids::kRootFolder || !f->parentRowStale()) continue;
    folder(f->parent())
        .putHierarchyRow(
            nid, withRowVersion(cellsFor(templates::hierarchyColumns(), f->properties())), true);
    f->parentRowWritten();
  }
  for (auto& [nid, f] : folders_)
    if (f->dirty()) f->write(db);
  if (storeDirty_) {
    db.putNode(nids::kMessageStore, storePc_.write(db), 0);
    storeDirty_ = false;
  }
  if (names_.dirty()) {
    db.putNode(nids::kNameToIdMap, names_.toPropertyContext().write(db), 0);
    names_.markClean();
  }
  if (receiveDirty_) {
    // [MS-PST] 2.4.3.2(?): message class -> folder id, one row per class.
    TableContextWriter table(templates::receiveFolderColumns());
    std::uint32_t row = 0;
    for (const auto& [messageClass, nid] : receiveFolders_) {
      ++row;
      table.upsertRow(row, {{tags::kMessageClass, PropValue::string(messageClass)},
                            {tags::kReceiveFolderNid, PropValue::uint32(nid)},
                            {tags::kLtpRowVer, PropValue::uint32(nextRowVersion())}});
    }
    db.putNode(nids::kReceiveFolderTable, table.write(db), 0);
    receiveDirty_ = false;
  }
  if (wait) {
    db.commit();
  } else {
    db.commitInBackground();
  }
  itemsSinceCommit_ = 0;
  lastCommit_ = policy_.now();
}

}  // namespace mailferry::pst
