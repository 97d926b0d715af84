// The envelope of one message: class-independent header fields -> subject, conversation,
// originator and recipients, dates, identifiers, importance and sensitivity, header block
// ([MS-OXCMAIL] 2.2.3.1, 2.2.3.2).
#pragma once

#include <gmime/gmime.h>

#include <functional>

#include "mime/ImportReport.h"
#include "pst/FileTime.h"
#include "pst/messaging/MessageSink.h"

namespace mailferry::mime {

struct Envelope {
  std::string subject;
  pst::FileTime submitTime = 0;
  pst::FileTime deliveryTime = 0;
  std::size_t recipients = 0;
};

Envelope writeEnvelope(GMimeMessage* message, pst::MessageSink& sink, ImportReport& report,
                       const std::function<pst::FileTime()>& now);

// Importance from Importance, Priority, X-Priority, X-MSMail-Priority (first found wins, in that
// order; 1 = normal when none). Exposed for tests of the header table.
std::int32_t importanceFrom(GMimeObject* headers);

}  // namespace mailferry::mime
