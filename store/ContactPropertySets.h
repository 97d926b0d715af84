// The property sets of the contact properties ([MS-OXPROPS] 1.3.2) and the lookup of a named
// contact property's id on an item.
#pragma once

#include <cstdint>

#include "pst/Guid.h"
#include "pst/PropTag.h"
#include "pst/messaging/MessageSink.h"

namespace mailferry::store {

const pst::Guid& psetidAddress();    // {00062004-0000-0000-C000-000000000046}
const pst::Guid& psPublicStrings();  // {00020329-0000-0000-C000-000000000046}

// The tag of the PSETID_Address property with this LID, registered in the store's map.
pst::PropTag addressNamedTag(pst::MessageSink& item, std::uint32_t lid, pst::PropType type);

}  // namespace mailferry::store
