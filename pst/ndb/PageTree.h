// An in-memory B-tree whose nodes are the pages of an on-disk NBT or BBT ([MS-PST] 2.2.2.7.7):
// leaves hold at most as many entries as a leaf page, branches at most 20 children. Changed
// pages are rewritten copy-on-write at the next commit; unchanged ones keep their place.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "pst/ndb/Format.h"
#include "pst/ndb/Pages.h"

namespace mailferry::pst {

// Entry needs: `Key key() const`, `void serialize(std::uint8_t*) const` and
// `static constexpr std::size_t kDiskSize`.
template <typename Entry, typename Key, std::size_t kLeafMax>
class PageTree {
 public:
  static constexpr std::size_t kBranchMax = format::btpage::kMaxEntries24;

  PageTree() : root_(std::make_unique<Node>()), rightmost_(root_.get()) {}

  std::size_t size() const { return size_; }

  const Entry* find(Key key) const {
    const Node* n = leafFor(key);
    auto it = lowerBound(n->entries, key);
    return it != n->entries.end() && it->key() == key ? &*it : nullptr;
  }

  // The entry for in-place change of its non-key fields (its page will be rewritten), or null.
  Entry* findForUpdate(Key key) {
    std::array<Node*, kMaxDepth> path{};
    std::size_t depth = 0;
    Node* n = root_.get();
    path[depth++] = n;
    while (n->level > 0) {
      n = n->children[childIndex(*n, key)].get();
      path[depth++] = n;
    }
    auto it = lowerBound(n->entries, key);
    if (it == n->entries.end() || it->key() != key) return nullptr;
    for (std::size_t i = 0; i < depth; ++i) touch(*path[i]);
    return &*it;
  }

  void insertOrAssign(const Entry& entry) {
    bool inserted = false;
    auto sibling = insertInto(*root_, entry, entry.key(), inserted);
    if (sibling) {
      auto newRoot = std::make_unique<Node>();
      newRoot->level = static_cast<std::uint8_t>(root_->level + 1);
      newRoot->lows = {Key{}, lowKey(*sibling)};
      newRoot->children.push_back(std::move(root_));
      newRoot->children.push_back(std::move(sibling));
      root_ = std::move(newRoot);
    }
    if (inserted) ++size_;
    if (split_) findRightmost();
  }

  bool erase(Key key) {
    if (!eraseFrom(*root_, key)) return false;
    --size_;
    while (root_->level > 0 && root_->children.size() == 1) {
      root_ = std::move(root_->children.front());
    }
    if (root_->level > 0 && root_->children.empty()) root_ = std::make_unique<Node>();
    findRightmost();
    return true;
  }

  // Writes every changed page, children before parents, through `sink(Page&, level) ->
  // Bref` (which places the page and seals its trailer); returns the root's place.
  template <typename Sink>
  Bref write(Sink&& sink) {
    return writeNode(*root_, sink).ref;
  }

  // Places of pages replaced or dropped since the last call: free once the next header no
  // longer references them.
  std::vector<Bref> takeReleasedPages() { return std::exchange(released_, {}); }

  int depth() const { return root_->level + 1; }

 private:
  struct Node {
    std::uint8_t level = 0;
    bool dirty = true;
    Bref disk{};
    Key diskFirstKey{};
    std::vector<Entry> entries;                   // leaf
    std::vector<Key> lows;                        // branch: routing lower bound per child
    std::vector<std::unique_ptr<Node>> children;  // branch
  };
  struct Written {
    Bref ref;
    Key firstKey;
  };

  // Far deeper than any tree gets: a tree this deep would hold 20^16 entries.
  static constexpr std::size_t kMaxDepth = 16;

  // The leaf that holds `key` if any does. Blocks are mostly looked up just after they are
  // written, with the largest keys: those go straight to the rightmost leaf, which every key
  // from its first one on is routed to (a child's keys are never below its routing bound).
  const Node* leafFor(Key key) const {
    if (!rightmost_->entries.empty() && !(key < rightmost_->entries.front().key())) {
      return rightmost_;
    }
    const Node* n = root_.get();
    while (n->level > 0) n = n->children[childIndex(*n, key)].get();
    return n;
  }

  void findRightmost() {
    Node* n = root_.get();
    while (n->level > 0) n = n->children.back().get();
    rightmost_ = n;
    split_ = false;
  }

  static auto lowerBound(const std::vector<Entry>& v, Key key) {
    return std::lower_bound(v.begin(), v.end(), key,
                            [](const Entry& e, Key k) { return e.key() < k; });
  }
  static auto lowerBound(std::vector<Entry>& v, Key key) {
    return std::lower_bound(v.begin(), v.end(), key,
                            [](const Entry& e, Key k) { return e.key() < k; });
  }
  static std::size_t childIndex(const Node& n, Key key) {
    auto it = std::upper_bound(n.lows.begin(), n.lows.end(), key);
    return it == n.lows.begin() ? 0 : static_cast<std::size_t>(it - n.lows.begin()) - 1;
  }
  static Key lowKey(const Node& n) { return n.level == 0 ? n.entries.front().key() : n.lows[0]; }
  static bool isEmpty(const Node& n) {
    return n.level == 0 ? n.entries.empty() : n.children.empty();
  }

  void touch(Node& n) {
    if (n.dirty) return;
    n.dirty = true;
    released_.push_back(n.disk);
  }

  // Where to split an overfull node: an append at its end leaves a full node behind (trees
  // that grow at the end stay dense), anything else splits in the middle.
  static std::size_t splitPoint(std::size_t insertedAt, std::size_t count, std::size_t max) {
    return insertedAt == count - 1 ? max : count / 2;
  }

  std::unique_ptr<Node> insertInto(Node& n, const Entry& entry, Key key, bool& inserted) {
    touch(n);
    if (n.level == 0) {
      auto it = lowerBound(n.entries, key);
      if (it != n.entries.end() && it->key() == key) {
        *it = entry;
        return nullptr;
      }
      const auto pos = static_cast<std::size_t>(it - n.entries.begin());
      n.entries.insert(it, entry);
      inserted = true;
      if (n.entries.size() <= kLeafMax) return nullptr;
      const std::size_t at = splitPoint(pos, n.entries.size(), kLeafMax);
      split_ = true;
      // Room for exactly one page and the entry that splits it: a store with millions of
      // blocks holds all their records, so the capacity a vector would double to counts.
      auto right = std::make_unique<Node>();
      right->entries.reserve(kLeafMax + 1);
      right->entries.assign(n.entries.begin() + static_cast<std::ptrdiff_t>(at), n.entries.end());
      n.entries.resize(at);
      return right;
    }
    const std::size_t i = childIndex(n, key);
    auto sibling = insertInto(*n.children[i], entry, key, inserted);
    if (i == 0 && key < n.lows[0]) n.lows[0] = key;
    if (!sibling) return nullptr;
    const Key siblingLow = lowKey(*sibling);
    n.children.insert(n.children.begin() + static_cast<std::ptrdiff_t>(i + 1), std::move(sibling));
    n.lows.insert(n.lows.begin() + static_cast<std::ptrdiff_t>(i + 1), siblingLow);
    if (n.children.size() <= kBranchMax) return nullptr;
    const std::size_t at = splitPoint(i + 1, n.children.size(), kBranchMax);
    auto right = std::make_unique<Node>();
    right->level = n.level;
    right->children.reserve(kBranchMax + 1);
    right->lows.reserve(kBranchMax + 1);
    for (std::size_t c = at; c < n.children.size(); ++c) {
      right->children.push_back(std::move(n.children[c]));
      right->lows.push_back(n.lows[c]);
    }
    n.children.resize(at);
    n.lows.resize(at);
    return right;
  }

  bool eraseFrom(Node& n, Key key) {
    if (n.level == 0) {
      auto it = lowerBound(n.entries, key);
      if (it == n.entries.end() || it->key() != key) return false;
      touch(n);
      n.entries.erase(it);
      return true;
    }
    const std::size_t i = childIndex(n, key);
    if (!eraseFrom(*n.children[i], key)) return false;
    touch(n);
    if (isEmpty(*n.children[i])) {
      n.children.erase(n.children.begin() + static_cast<std::ptrdiff_t>(i));
      n.lows.erase(n.lows.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return true;
  }

  template <typename Sink>
  Written writeNode(Node& n, Sink& sink) {
    if (!n.dirty) return {n.disk, n.diskFirstKey};
    namespace bt = format::btpage;
    Page page{};
    Key first{};
    std::size_t count;
    if (n.level == 0) {
      count = n.entries.size();
      for (std::size_t i = 0; i < count; ++i) n.entries[i].serialize(&page[i * Entry::kDiskSize]);
      if (count) first = n.entries.front().key();
      page[bt::kCEntMax] = static_cast<std::uint8_t>(kLeafMax);
      page[bt::kCbEnt] = static_cast<std::uint8_t>(Entry::kDiskSize);
    } else {
      count = n.children.size();
      for (std::size_t i = 0; i < count; ++i) {
        const Written child = writeNode(*n.children[i], sink);
        if (i == 0) first = child.firstKey;
        std::uint8_t* e = &page[i * bt::kBtEntrySize];  // BTENTRY: btkey, BREF
        store64(e, static_cast<std::uint64_t>(child.firstKey));
        store64(e + 8, child.ref.bid);
        store64(e + 16, child.ref.ib);
      }
      page[bt::kCEntMax] = static_cast<std::uint8_t>(kBranchMax);
      page[bt::kCbEnt] = static_cast<std::uint8_t>(bt::kBtEntrySize);
    }
    page[bt::kCEnt] = static_cast<std::uint8_t>(count);
    page[bt::kCLevel] = n.level;
    n.disk = sink(page, n.level);
    n.diskFirstKey = first;
    n.dirty = false;
    return {n.disk, first};
  }

  std::unique_ptr<Node> root_;
  Node* rightmost_;     // the last leaf, kept up to date through splits and removals
  bool split_ = false;  // a leaf split since the rightmost leaf was found
  std::size_t size_ = 0;
  std::vector<Bref> released_;
};

}  // namespace mailferry::pst
