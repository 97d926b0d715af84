// A new PST message store on disk ([MS-PST] 2.4, 2.7): the store object, its folders, the
// name-to-id map and the items saved into it. This is what the store layer above calls.
// Folders are named by their node id; entry ids are formed with entryId().
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pst/PstError.h"
#include "pst/messaging/CommitPolicy.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/NameToIdMap.h"
#include "pst/ndb/NodeDatabase.h"

namespace mailferry::pst {

class MessageWriter;

// The default folders, numbered as Outlook's object model numbers them (OlDefaultFolders).
enum class DefaultFolder : int {
  DeletedItems = 3,
  Outbox = 4,
  SentMail = 5,
  Inbox = 6,
  Calendar = 9,
  Contacts = 10,
  Journal = 11,
  Notes = 12,
  Tasks = 13,
  Drafts = 16,
  Junk = 23,
};

struct FolderEntry {
  Nid nid = 0;
  std::u16string name;
};

struct FolderInfo {
  std::u16string name;
  std::u16string containerClass;
  std::int32_t contentCount = 0;
  std::int32_t unreadCount = 0;
  bool hasSubfolders = false;
  Nid parent = 0;
};

class PstStore {
 public:
  // Creates the file (fails when it exists, PstError::isExists) with every node a valid empty
  // store has, and commits it. On failure no file is left behind.
  static std::unique_ptr<PstStore> create(const std::filesystem::path& path,
                                          std::u16string_view displayName,
                                          CommitPolicy policy = {});
  ~PstStore();  // commits what is pending (errors are swallowed: call close() to see them)
  PstStore(const PstStore&) = delete;
  PstStore& operator=(const PstStore&) = delete;

  // The final commit; afterwards the store accepts no more calls.
  void close();
  // Throws PstError while an item has unsaved changes: a commit frees every block that no
  // node references yet, which would take that item's written values away.
  void commit();
  // Returns once everything written so far, an automatic commit running in the background
  // included, is on disk (or in the system's cache, for what follows the last commit).
  void waitForWrites();

  const std::filesystem::path& path() const;
  FileIdentity fileIdentity() const { return db_->fileIdentity(); }
  const Guid& providerUid() const { return providerUid_; }
  std::u16string displayName() const { return displayName_; }
  std::vector<std::uint8_t> entryId(Nid nid) const;
  // The node id an entry id of this store names.
  std::optional<Nid> nidOf(std::span<const std::uint8_t> entryId) const;

  // "Top of Personal Folders": the top of the visible folder tree.
  Nid ipmSubtree() const { return ipmSubtree_; }
  std::optional<Nid> defaultFolder(DefaultFolder kind) const;
  // Creates the default folders that are missing (Inbox, Calendar, Contacts, ...) and the
  // pointers that make them the defaults: store entry ids and valid-folder mask, the
  // entry ids on the root folder and the Inbox, the receive folder table.
  void validateIpmTree();

  // A new folder; throws PstError when the parent has a subfolder of that name already.
  Nid addFolder(Nid parent, std::u16string_view name,
                std::u16string_view containerClass = u"IPF.Note");
  std::vector<FolderEntry> subfolders(Nid parent) const;
  // Exact, case-sensitive name match.
  std::optional<Nid> findSubfolder(Nid parent, std::u16string_view name) const;
  bool isFolder(Nid nid) const;
  FolderInfo folderInfo(Nid folder) const;
  void setFolderProperty(Nid folder, PropTag tag, PropValue value);

  // A new, unsaved message or contact item in the folder; nothing of it is in the store
  // until its save(). The writer must not outlive the store, and its attachment sinks (and
  // their embedded-message sinks) must be closed or destroyed before the writer is.
  std::unique_ptr<MessageWriter> addMessage(Nid folder);

  PropTag namedTag(const NamedProperty& name, PropType type);
  const NameToIdMap& nameToIdMap() const { return names_; }

  std::uint64_t itemsSaved() const { return itemsSaved_; }

 private:
  friend class MessageWriter;
  friend class DefaultFolders;
  friend class AttachmentWriter;
  PstStore(std::unique_ptr<NodeDatabase> db, std::u16string_view displayName, CommitPolicy policy);

  NodeDatabase& db() { return *db_; }
  Folder& folder(Nid nid);
  const Folder& folder(Nid nid) const;
  Nid createFolder(Nid parent, std::u16string_view name, std::u16string_view containerClass);
  // The nodes and properties of a new, empty store, committed.
  void writeEmptyStore(std::u16string_view displayName);
  void writeFixedNodes();
  void setStoreProperty(PropTag tag, PropValue value);
  std::uint32_t nextRowVersion() { return ++rowVersion_; }
  Cells withRowVersion(Cells cells);
  // Called by a message writer after it put its node: the contents row and the counts.
  void messageSaved(Nid folder, Nid message, const PropertyContextWriter& pc,
                    std::optional<std::int32_t> previousFlags);
  void checkOpen() const;
  void commit(bool wait);
  // Items with unsaved changes; automatic commits wait until there are none.
  void itemPending(bool pending) { pendingItems_ += pending ? 1 : -1; }

  std::unique_ptr<NodeDatabase> db_;
  Guid providerUid_{};
  std::u16string displayName_;
  CommitPolicy policy_;
  PropertyContextWriter storePc_;
  bool storeDirty_ = true;
  NameToIdMap names_;
  std::map<Nid, std::unique_ptr<Folder>> folders_;
  Nid ipmSubtree_ = 0;
  Nid searchRoot_ = 0;
  std::map<DefaultFolder, Nid> defaults_;
  std::vector<std::pair<std::u16string, Nid>> receiveFolders_;
  bool receiveDirty_ = true;
  std::uint32_t rowVersion_ = 0;
  int pendingItems_ = 0;
  std::uint32_t itemsSinceCommit_ = 0;
  std::chrono::steady_clock::time_point lastCommit_;
  std::uint64_t itemsSaved_ = 0;
  bool closed_ = false;
};

}  // namespace mailferry::pst
