// Setting one property by tag.
#include "store/MAPIUtils.h"

namespace mailferry::store::MAPIUtils {

void HrSetOneProp(MapiObject& object, pst::PropTag tag, const MapiValue& value, bool save) {
  object.setProperty(tag, value);
  if (save) object.saveChanges();
}

}  // namespace mailferry::store::MAPIUtils
