// Parsing a message the way mail programs read it: what comes before the first header line is
// skipped, and where GMime's parser met damage that the bytes can mend (mime/MessageRepair.h)
// the bytes are mended and parsed again.
#pragma once

#include <gmime/gmime.h>

#include "mime/MessageParser.h"

namespace mailferry::mime {

// Parses the message `stream` holds from its position on. When the bytes were repaired, the
// parsed message reads from ParsedMessage::repairedBytes.
ParsedMessage parseRepairing(GMimeStream* stream);

}  // namespace mailferry::mime
