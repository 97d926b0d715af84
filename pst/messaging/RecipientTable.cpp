// A message's recipient table ([MS-PST] 2.4.5.2).
#include "pst/messaging/RecipientTable.h"

#include <algorithm>

#include "pst/KnownTags.h"
#include "pst/messaging/StoreTemplates.h"

namespace mailferry::pst {

namespace {
constexpr std::int32_t kRecipientTo = 1;
constexpr std::int32_t kMapiMailUser = 6;  // PidTagObjectType
constexpr std::int32_t kDtMailUser = 0;    // PidTagDisplayType
}  // namespace

RecipientTable::RecipientTable() : table_(templates::recipientColumns()) {}

void RecipientTable::add(Cells cells, std::uint32_t rowVersion) {
  auto has = [&cells](PropTag tag) {
    return std::any_of(cells.begin(), cells.end(),
                       [tag](const auto& c) { return tagId(c.first) == tagId(tag); });
  };
  if (!has(tags::kRecipientType))
    cells.emplace_back(tags::kRecipientType, PropValue::int32(kRecipientTo));
  if (!has(tags::kObjectType))
    cells.emplace_back(tags::kObjectType, PropValue::int32(kMapiMailUser));
  if (!has(tags::kDisplayType))
    cells.emplace_back(tags::kDisplayType, PropValue::int32(kDtMailUser));
  const std::uint32_t rowId = next_++;
  cells.emplace_back(tags::kRowid, PropValue::uint32(rowId));
  cells.emplace_back(tags::kLtpRowVer, PropValue::uint32(rowVersion));
  table_.upsertRow(rowId, std::move(cells));
}

}  // namespace mailferry::pst
