// A session of the mail-store interface: logging on and off, adding a new PST store to the
// profile, and finding stores and folders again by entry id or by path. One implementation,
// on our own PST engine.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pst/messaging/CommitPolicy.h"
#include "store/Folder.h"
#include "store/Profile.h"

namespace mailferry::store {

enum class DefaultFolderKind : int { Contacts = 10 };

class Store {
 public:
  explicit Store(std::shared_ptr<OpenStore> store) : store_(std::move(store)) {}

  // Text that finds the store again through GetStoreFromID.
  std::string EntryID() const;
  // Makes sure the store's default folders exist (Inbox, Contacts, Calendar, ...).
  void ValidateIPMTree();
  // The top folder of the visible folder tree.
  Folder IPMRootFolder() const;
  // A default folder by Outlook's number; 10 is the Contacts folder.
  Folder GetDefaultFolder(int kind) const;

  const std::shared_ptr<OpenStore>& openStore() const { return store_; }

 private:
  std::shared_ptr<OpenStore> store_;
};

class Session;

class StoreList {
 public:
  static constexpr int kDefaultStoreFormat = 1;

  explicit StoreList(Session& session) : session_(session) {}
  // Creates a new PST file at path (never over an existing file) and adds it to the profile
  // under the display name. StoreError names the path and the cause on failure
  // (StoreFileExists when the path is taken); no file is left behind then. The store commits
  // on its own as the policy says.
  Store AddPSTStore(const std::filesystem::path& path, int format, std::string_view displayName,
                    const pst::CommitPolicy& policy = {});
  Store GetStoreFromID(std::string_view entryId) const;

 private:
  Session& session_;
};

class Session {
 public:
  Session();
  ~Session();  // logs off when still logged on
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void Logon();
  // Closes every store the session added (each is committed one last time) and removes them
  // from the profile.
  void Logoff();
  bool loggedOn() const { return loggedOn_; }

  StoreList& Stores();
  Store GetStoreFromID(std::string_view entryId) const;
  // A folder by its store path: two separators, the store's display name, a separator, then
  // the folder names below the store's top folder, each followed by a separator but the last
  // ("\\Store\Mail\Inbox"; "\\Store\" is the top folder). StoreError when a name is missing.
  Folder GetFolderFromPath(std::string_view path) const;

 private:
  friend class StoreList;
  void checkLoggedOn() const;

  StoreList stores_{*this};
  std::vector<std::shared_ptr<OpenStore>> added_;
  bool loggedOn_ = false;
};

}  // namespace mailferry::store
