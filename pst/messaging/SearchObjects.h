// The search bookkeeping a store has from its creation ([MS-PST] 2.4.8): the search
// management queue and its companions, and the spam search folder of the root.
#pragma once

#include "pst/ltp/PropertyContext.h"
#include "pst/ndb/NodeDatabase.h"

namespace mailferry::pst {

// Fixed ids, as Outlook gives them: the spam search folder and its nodes (S+3 update queue,
// S+4 criteria, S+0xD search contents table).
constexpr Nid kSpamSearchFolder = 0x2223;
constexpr Nid kSpamSearchUpdateQueue = 0x2226;
constexpr Nid kSpamSearchCriteria = 0x2227;
constexpr Nid kSpamSearchContents = 0x2230;

// The spam search folder's properties (also the cells of its row in the root's hierarchy table).
PropertyContextWriter spamSearchFolderProperties();

// Writes the empty queues and lists and the spam search folder's nodes.
void writeSearchObjects(NodeDatabase& db);

}  // namespace mailferry::pst
