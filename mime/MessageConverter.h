// One parsed message -> one message item, recursively for attached messages: class, envelope,
// bodies, attachments, flags and the PST bookkeeping properties.
#pragma once

#include <gmime/gmime.h>

#include <cstdint>

#include "mime/AttachmentMapping.h"
#include "mime/BodySelection.h"
#include "mime/GMimeHandles.h"
#include "mime/ImportReport.h"
#include "mime/MessageEnvelope.h"
#include "mime/MessageImporter.h"
#include "mime/SizeTrackingSink.h"
#include "pst/messaging/MessageSink.h"

namespace mailferry::mime {

// What a message becomes: its class, its body and attachment parts, and for clear-signed mail
// the signed entity kept whole.
struct MessagePlan {
  std::string messageClass = "IPM.Note";
  PartPlan parts;
  GMimeObject* signedEntity = nullptr;
  GObjectPtr<GMimePart> rawBody;  // raw text kept as the body when the tree had none
};

class MessageConverter {
 public:
  MessageConverter(const ImportOptions& options, ImportReport& report);

  // Fills `sink` from `message`, found at nesting level `depth` (0 for the file's own message).
  // Returns the bytes written, for the size properties.
  std::uint64_t convert(GMimeMessage* message, pst::MessageSink& sink, int depth);

 private:
  struct AttachmentTally {
    std::size_t written = 0;
    std::size_t hidden = 0;  // inline images
  };

  pst::FileTime now() const;
  // The message class and which parts become the body and the attachments.
  MessagePlan planMessage(GMimeMessage* message, SizeTrackingSink& sink, int depth);
  // Parts nested past the limit were cut: keeps what text can be kept and says what was lost.
  void keepTextBelowTheCut(GMimeObject* root, MessagePlan& plan);
  AttachmentTally writeAttachments(const MessagePlan& plan, const std::string& htmlUtf8,
                                   SizeTrackingSink& sink);
  void writeAttachedMessage(const AttachmentPart& part, SizeTrackingAttachment& attachment,
                            AttachmentContext& context);
  // Flags, search key, times and size; returns the message's size.
  std::uint64_t finishMessage(SizeTrackingSink& sink, const AttachmentTally& tally,
                              const Envelope& envelope);

  const ImportOptions& options_;
  ImportReport& report_;
};

}  // namespace mailferry::mime
