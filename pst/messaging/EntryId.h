// Entry ids of the folders and messages of one store ([MS-PST] 2.4.3.2): four zero flag bytes,
// the store's provider UID (its PidTagRecordKey) and the node id.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "pst/Guid.h"
#include "pst/ndb/Ids.h"

namespace mailferry::pst {

constexpr std::size_t kEntryIdSize = 24;

std::vector<std::uint8_t> makeEntryId(const Guid& providerUid, Nid nid);
// The node id an entry id names, when it is one of this store's (same provider UID).
std::optional<Nid> nidFromEntryId(const Guid& providerUid, std::span<const std::uint8_t> entryId);

}  // namespace mailferry::pst
