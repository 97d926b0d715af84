// Values too big for a heap item are written to the file as soon as they are set, so that an
// item being filled holds no big value in memory and a rewrite of its PC does not write them
// again ([MS-PST] 2.3.3.3: such values live in subnodes of their own).
#pragma once

#include "pst/PropValue.h"
#include "pst/ndb/NodeDatabase.h"

namespace mailferry::pst {

// The largest value a heap item holds ([MS-PST] 2.3.1).
constexpr std::size_t kMaxHeapItem = 3580;

// The value itself, or the same value streamed to the file when it is variable-size and
// larger than a heap item.
PropValue streamIfLarge(NodeDatabase& db, PropValue value);

}  // namespace mailferry::pst
