// Parsing one message with GMime the way the import needs it: raw 8-bit header text read as
// UTF-8 when valid and windows-1252 otherwise, part contents left in the stream, the parser's
// warnings in words, and for a message in memory the skeleton shortcut (mime/MessageSkeleton.h).
#pragma once

#include <gmime/gmime.h>

#include <string>
#include <vector>

#include "mime/GMimeHandles.h"
#include "mime/MessageRepair.h"

namespace mailferry::mime {

struct ParsedMessage {
  GObjectPtr<GMimeStream> repairedBytes;  // the repaired message, when it was parsed from one
  GObjectPtr<GMimeMessage> message;       // null when the parser found no message
  std::vector<std::string> warnings;
  bool fromSkeleton = false;  // the parser read the skeleton, not every line
  // Places where the bytes need a repair before a second parse (offsets from where the parse
  // started in the stream); empty for a well-formed message.
  std::vector<RepairPoint> repairs;
  bool truncated = false;  // some multipart never saw its closing delimiter
};

enum class ParseWay {
  kBest,   // the skeleton when it applies, else every line
  kWhole,  // every line, always (what the skeleton must match)
};

// Options for decoding header text the way the parser does (the same fallback charsets), for
// values the import reads again from their raw text. One per thread, never changed.
GMimeParserOptions* headerDecodingOptions();

// Parses the message that `stream` holds from its current position to its end.
ParsedMessage parseMessage(GMimeStream* stream, ParseWay way = ParseWay::kBest);

}  // namespace mailferry::mime
