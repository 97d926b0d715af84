// The column sets of the table templates a store carries ([MS-PST] 2.4.4.4.1, 2.4.4.5.1,
// 2.4.4.6.1, 2.4.6.1.1, 2.4.5.2.1), exactly as Outlook keeps them, and of the receive folder
// and outgoing queue tables. New folder and message tables start with the same columns.
#pragma once

#include <vector>

#include "pst/PropTag.h"

namespace mailferry::pst::templates {

const std::vector<PropTag>& hierarchyColumns();       // 0x60D
const std::vector<PropTag>& contentsColumns();        // 0x60E
const std::vector<PropTag>& assocContentsColumns();   // 0x60F
const std::vector<PropTag>& searchContentsColumns();  // 0x610
const std::vector<PropTag>& attachmentColumns();      // 0x671
const std::vector<PropTag>& recipientColumns();       // 0x692
const std::vector<PropTag>& receiveFolderColumns();   // 0x62B
const std::vector<PropTag>& outgoingQueueColumns();   // 0x64C

}  // namespace mailferry::pst::templates
