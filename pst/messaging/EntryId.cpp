// Entry ids of the folders and messages of one store ([MS-PST] 2.4.3.2).
#include "pst/messaging/EntryId.h"

#include <algorithm>

#include "pst/ByteOrder.h"

namespace mailferry::pst {

std::vector<std::uint8_t> makeEntryId(const Guid& providerUid, Nid nid) {
  std::vector<std::uint8_t> id(kEntryIdSize, 0);
  std::copy(providerUid.begin(), providerUid.end(), id.begin() + 4);
  store32(id.data() + 20, nid);
  return id;
}

std::optional<Nid> nidFromEntryId(const Guid& providerUid, std::span<const std::uint8_t> entryId) {
  if (entryId.size() != kEntryIdSize) return std::nullopt;
  if (!std::all_of(entryId.begin(), entryId.begin() + 4, [](std::uint8_t b) { return b == 0; }))
    return std::nullopt;
  if (!std::equal(providerUid.begin(), providerUid.end(), entryId.begin() + 4)) return std::nullopt;
  return le32(entryId, 20);
}

}  // namespace mailferry::pst
