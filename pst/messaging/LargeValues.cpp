// Values too big for a heap item are written to the file as soon as they are set.
#include "pst/messaging/LargeValues.h"

namespace mailferry::pst {

PropValue streamIfLarge(NodeDatabase& db, PropValue value) {
  if (value.isStreamed() || !isVariableSize(value.type()) || value.size() <= kMaxHeapItem)
    return value;
  DataTreeWriter writer = db.streamData();
  const Bid root = writer.appendAndFinish(value.bytes());
  return PropValue(value.type(), StreamedValue{root, writer.size()});
}

}  // namespace mailferry::pst
