// Table rows as copies of an object's properties.
#include "pst/messaging/RowCells.h"

namespace mailferry::pst {

Cells cellsFor(const std::vector<PropTag>& columns, const PropertyContextWriter& pc) {
  Cells cells;
  cells.reserve(columns.size());
  for (PropTag column : columns) {
    const PropValue* value = pc.find(tagId(column));
    if (value == nullptr || value->type() != tagType(column) || value->isStreamed()) continue;
    cells.emplace_back(column, *value);
  }
  return cells;
}

}  // namespace mailferry::pst
