// The process-wide list of added stores.
#include "store/Profile.h"

#include <algorithm>

#include "store/StoreError.h"

namespace mailferry::store {

const OpenStore& requireOpen(const std::shared_ptr<OpenStore>& store) {
  if (!store || store->closed) throw StoreError("the store is closed");
  return *store;
}

Profile& Profile::instance() {
  static Profile profile;
  return profile;
}

void Profile::add(const std::shared_ptr<OpenStore>& store) {
  stores_.push_back(store);
}

void Profile::remove(const OpenStore* store) {
  std::erase_if(stores_, [store](const std::weak_ptr<OpenStore>& weak) {
    auto held = weak.lock();
    return !held || held.get() == store;
  });
}

std::shared_ptr<OpenStore> Profile::findByDisplayName(std::string_view displayName) const {
  for (const auto& weak : stores_) {
    if (auto store = weak.lock(); store && !store->closed && store->displayName == displayName) {
      return store;
    }
  }
  return nullptr;
}

std::shared_ptr<OpenStore> Profile::findByEntryId(std::string_view entryId) const {
  for (const auto& weak : stores_) {
    if (auto store = weak.lock(); store && !store->closed && store->entryId == entryId) {
      return store;
    }
  }
  return nullptr;
}

std::shared_ptr<OpenStore> Profile::lastAdded() const {
  for (auto it = stores_.rbegin(); it != stores_.rend(); ++it) {
    if (auto store = it->lock(); store && !store->closed) return store;
  }
  return nullptr;
}

}  // namespace mailferry::store
