// Checks of the heaps, B-trees-on-heap, property contexts and table contexts ([MS-PST] 2.3).
#include "tools/pstcheck/CheckContext.h"

namespace mailferry::pstcheck {

void checkHeapsAndTables(CheckContext&) {}

}  // namespace mailferry::pstcheck
