// Table rows as copies of an object's properties: a folder's row in its parent's hierarchy
// table, a message's row in its folder's contents table, an attachment's row ([MS-PST]
// 2.4.4.4.1, 2.4.4.5.1, 2.4.6.1.1: the cells hold the same values as the object's PC).
#pragma once

#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"

namespace mailferry::pst {

// One cell for every column whose property the object has with the column's type. Values
// streamed ahead (too big for a cell's heap) are left out.
Cells cellsFor(const std::vector<PropTag>& columns, const PropertyContextWriter& pc);

}  // namespace mailferry::pst
