// A map from keys that only grow as they are added (block ids, in the order the blocks are
// written) to values, kept as one sorted array: adding is an append, a lookup a binary search,
// and an entry takes 16 bytes where a hash map node and its bucket take about 50. A removed
// entry is marked and the array compacted once half of it is marked.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace mailferry::pst {

class GrowingKeyMap {
 public:
  // `key` must be larger than every key added before.
  void add(std::uint64_t key, std::uint64_t value) {
    if (!entries_.empty() && key <= entries_.back().key) {
      throw std::logic_error("GrowingKeyMap: keys must grow");
    }
    entries_.push_back({key, value, 1});
  }

  // The value of `key`; std::out_of_range when it has none.
  std::uint64_t at(std::uint64_t key) const {
    const auto it = locate(key);
    if (it == entries_.end() || it->key != key || !it->live) {
      throw std::out_of_range("GrowingKeyMap: no such key");
    }
    return it->value;
  }

  void erase(std::uint64_t key) {
    const auto it = locate(key);
    if (it == entries_.end() || it->key != key || !it->live) return;
    entries_[static_cast<std::size_t>(it - entries_.begin())].live = 0;
    if (++removed_ * 2 > entries_.size()) {
      std::erase_if(entries_, [](const Entry& e) { return !e.live; });
      removed_ = 0;
    }
  }

  std::size_t size() const { return entries_.size() - removed_; }

 private:
  struct Entry {
    std::uint64_t key;
    std::uint64_t value : 63;
    std::uint64_t live : 1;  // one type for both fields: some compilers pack only like types
  };
  static_assert(sizeof(Entry) == 16);

  std::vector<Entry>::const_iterator locate(std::uint64_t key) const {
    return std::lower_bound(entries_.begin(), entries_.end(), key,
                            [](const Entry& e, std::uint64_t k) { return e.key < k; });
  }

  std::vector<Entry> entries_;
  std::size_t removed_ = 0;
};

}  // namespace mailferry::pst
