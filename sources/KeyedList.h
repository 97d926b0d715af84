// An ordered list whose entries each carry a text key, addressed by 1-based position.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace mailferry::sources {

template <typename T>
class KeyedList {
 public:
  void add(T value, std::string key) { entries_.emplace_back(std::move(key), std::move(value)); }
  std::size_t count() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  // position is 1-based; throws std::out_of_range outside 1..count().
  const T& item(std::size_t position) const { return entries_.at(checked(position)).second; }
  const std::string& key(std::size_t position) const {
    return entries_.at(checked(position)).first;
  }

  // Walks the values in list order.
  class const_iterator {
   public:
    using Inner = typename std::vector<std::pair<std::string, T>>::const_iterator;
    explicit const_iterator(Inner it) : it_(it) {}
    const T& operator*() const { return it_->second; }
    const_iterator& operator++() {
      ++it_;
      return *this;
    }
    bool operator==(const const_iterator& other) const = default;

   private:
    Inner it_;
  };
  const_iterator begin() const { return const_iterator(entries_.begin()); }
  const_iterator end() const { return const_iterator(entries_.end()); }

 private:
  static std::size_t checked(std::size_t position) {
    if (position == 0) throw std::out_of_range("KeyedList positions start at 1");
    return position - 1;
  }
  std::vector<std::pair<std::string, T>> entries_;
};

}  // namespace mailferry::sources
