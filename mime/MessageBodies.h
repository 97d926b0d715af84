// The chosen body parts -> PidTagBody (UTF-16), PidTagHtml (bytes in their charset) and the
// Internet code page ([MS-OXCMAIL] 2.2.3.3.2.1).
#pragma once

#include <string>
#include <vector>

#include "mime/BodySelection.h"
#include "mime/ImportReport.h"
#include "pst/messaging/MessageSink.h"

namespace mailferry::mime {

// Bodies longer than this are cut in the body properties; the whole part is then also kept
// as an attachment so that nothing is lost.
constexpr std::size_t kMaxBodyBytes = 32u << 20;

struct WrittenBodies {
  std::string htmlUtf8;                // for finding the inline images the HTML shows
  std::vector<GMimePart*> alsoAttach;  // body parts too long for the body properties
  bool html = false;
  bool text = false;
};

WrittenBodies writeBodies(const BodyParts& parts, pst::MessageSink& sink, ImportReport& report);

}  // namespace mailferry::mime
