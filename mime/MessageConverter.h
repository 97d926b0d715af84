// One parsed message -> one message item, recursively for attached messages: class, envelope,
// bodies, attachments, flags and the PST bookkeeping properties.
#pragma once

#include <gmime/gmime.h>

#include <cstdint>

#include "mime/ImportReport.h"
#include "mime/MessageImporter.h"
#include "pst/messaging/MessageSink.h"

namespace mailferry::mime {

class MessageConverter {
 public:
  MessageConverter(const ImportOptions& options, ImportReport& report);

  // Fills `sink` from `message`, found at nesting level `depth` (0 for the file's own message).
  // Returns the bytes written, for the size properties.
  std::uint64_t convert(GMimeMessage* message, pst::MessageSink& sink, int depth);

 private:
  pst::FileTime now() const;

  const ImportOptions& options_;
  ImportReport& report_;
};

}  // namespace mailferry::mime
