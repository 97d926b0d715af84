// Sessions, the stores they add, and the lookups of stores and folders.
#include "store/Session.h"

#include <exception>

#include "pst/PstError.h"
#include "pst/Utf.h"
#include "pst/ndb/Ids.h"
#include "sources/PathSeparator.h"
#include "store/FolderPath.h"
#include "store/StoreError.h"

namespace mailferry::store {

namespace {

std::string hexText(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (auto byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace

std::string Store::EntryID() const {
  return requireOpen(store_).entryId;
}

void Store::ValidateIPMTree() {
  try {
    requireOpen(store_).file->validateIpmTree();
  } catch (const pst::PstError& error) {
    throw StoreError(std::string("the default folders could not be made: ") + error.what());
  }
}

Folder Store::IPMRootFolder() const {
  return Folder(store_, requireOpen(store_).file->ipmSubtree());
}

Folder Store::GetDefaultFolder(int kind) const {
  auto folder = requireOpen(store_).file->defaultFolder(static_cast<pst::DefaultFolder>(kind));
  if (!folder) throw StoreError("the store has no default folder " + std::to_string(kind));
  return Folder(store_, *folder);
}

Store StoreList::AddPSTStore(const std::filesystem::path& path, int format,
                             std::string_view displayName, const pst::CommitPolicy& policy) {
  session_.checkLoggedOn();
  if (format != kDefaultStoreFormat) {
    throw StoreError("unknown store format " + std::to_string(format));
  }
  auto store = std::make_shared<OpenStore>();
  try {
    // The engine creates the file exclusively and leaves nothing behind when it fails.
    store->file = pst::PstStore::create(path, pst::toUtf16(displayName), policy);
  } catch (const std::exception& error) {
    const std::string what = "the file " + path.string() + " could not be created: ";
    const auto* engine = dynamic_cast<const pst::PstError*>(&error);
    if (engine && engine->isExists()) throw StoreFileExists(what + "it exists");
    throw StoreError(what + (engine ? StoreFailure(*engine).what() : error.what()));
  }
  store->displayName = std::string(displayName);
  store->entryId = hexText(store->file->entryId(pst::nids::kMessageStore));
  Profile::instance().add(store);
  session_.added_.push_back(store);
  return Store(store);
}

Store StoreList::GetStoreFromID(std::string_view entryId) const {
  return session_.GetStoreFromID(entryId);
}

Session::Session() = default;

Session::~Session() {
  if (!loggedOn_) return;
  try {
    Logoff();
  } catch (...) {
    // A destructor reports nothing; the run calls Logoff itself and sees the error there.
  }
}

void Session::Logon() {
  loggedOn_ = true;
}

void Session::Logoff() {
  checkLoggedOn();
  loggedOn_ = false;
  std::exception_ptr failure;
  for (auto& store : added_) {
    if (store->closed) continue;
    try {
      store->file->close();
    } catch (const pst::PstError& error) {
      if (!failure) failure = std::make_exception_ptr(StoreFailure(error));
    } catch (const std::exception& error) {
      if (!failure) failure = std::make_exception_ptr(StoreFailure(error.what()));
    }
    store->closed = true;
    Profile::instance().remove(store.get());
  }
  added_.clear();
  if (failure) std::rethrow_exception(failure);
}

void Session::checkLoggedOn() const {
  if (!loggedOn_) throw StoreError("the session is not logged on");
}

StoreList& Session::Stores() {
  checkLoggedOn();
  return stores_;
}

Store Session::GetStoreFromID(std::string_view entryId) const {
  checkLoggedOn();
  auto store = Profile::instance().findByEntryId(entryId);
  if (!store) throw StoreError("there is no store with entry id " + std::string(entryId));
  return Store(store);
}

Folder Session::GetFolderFromPath(std::string_view path) const {
  checkLoggedOn();
  const std::string prefix(2, sources::kPathSeparator);
  if (!path.starts_with(prefix)) {
    throw StoreError("\"" + std::string(path) + "\" is not a store path");
  }
  const std::string_view inStore = path.substr(prefix.size());
  if (inStore.empty()) throw StoreError("the store path names no store");
  const std::string storeName(inStore.substr(0, inStore.find(sources::kPathSeparator)));
  auto store = Profile::instance().findByDisplayName(storeName);
  if (!store) throw StoreError("there is no store named \"" + storeName + "\"");
  // A run looks up the folder of every message: a path found before is not split again, nor
  // walked reading every subfolder's name on the way.
  const std::string key(path);
  if (const auto found = store->foldersByPath.find(key); found != store->foldersByPath.end()) {
    return Folder(store, found->second);
  }
  const auto names = splitFolderPath(inStore);
  Folder folder = Store(store).IPMRootFolder();
  for (std::size_t i = 1; i < names.size(); ++i) folder = folder.Folders()[names[i]];
  store->foldersByPath.emplace(key, folder.nid());
  return folder;
}

}  // namespace mailferry::store
