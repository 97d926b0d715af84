// The store's name-to-id map ([MS-PST] 2.4.7): assigns property ids from 0x8000 to named
// properties in order of first use and writes node 0x61 with its GUID, entry and string
// streams and its 251 hash buckets.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "pst/NamedProperty.h"
#include "pst/PropTag.h"
#include "pst/PstError.h"
#include "pst/ltp/PropertyContext.h"

namespace mailferry::pst {

// Property sets with a fixed index in the map ([MS-PST] 2.4.7.2).
Guid psMapi();
Guid psPublicStrings();

class NameToIdMap {
 public:
  static constexpr std::uint32_t kBucketCount = 251;
  static constexpr PropId kFirstId = 0x8000;

  // The id of the name, registering it on first use. Throws PstError when all 0x7FFF ids are
  // taken.
  PropId idOf(const NamedProperty& name);
  std::optional<PropId> find(const NamedProperty& name) const;
  std::size_t size() const { return entries_.size(); }
  bool dirty() const { return dirty_; }

  // The property context of node 0x61. Its streams end with one more name than size() counts
  // (see the .cpp: a reader needs it).
  PropertyContextWriter toPropertyContext() const;
  void markClean() { dirty_ = false; }

  // The CRC of [MS-PST] 5.3 over a string name's UTF-16LE bytes (its hash in a bucket).
  static std::uint32_t nameHash(std::u16string_view name);

 private:
  struct Entry {
    std::uint32_t key;        // LID, or the byte offset of the name in the string stream
    std::uint32_t hash;       // LID, or CRC of the name
    std::uint16_t guidField;  // (guidIndex << 1) | isString
  };
  std::uint16_t guidIndex(const Guid& guid);

  std::map<std::pair<Guid, std::variant<std::uint32_t, std::u16string>>, PropId> ids_;
  std::vector<Entry> entries_;  // entry i has id 0x8000 + i
  std::vector<Guid> guids_;     // GUID stream, index 3 + i
  std::vector<std::uint8_t> strings_;
  bool dirty_ = true;
};

}  // namespace mailferry::pst
