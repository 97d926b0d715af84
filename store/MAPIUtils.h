// The utility call that sets one property on an item's MAPI object.
#pragma once

#include "store/Item.h"

namespace mailferry::store::MAPIUtils {

// Sets the property and, when save is true, commits the item's changes at once.
void HrSetOneProp(MapiObject& object, pst::PropTag tag, const MapiValue& value, bool save);

}  // namespace mailferry::store::MAPIUtils
