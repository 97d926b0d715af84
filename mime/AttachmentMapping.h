// MIME parts -> attachment objects ([MS-OXCMAIL] 2.2.3.4): names, type, content id and
// location, inline-image flags, and the data streamed in chunks.
#pragma once

#include <gmime/gmime.h>

#include <string>

#include "mime/AttachmentNames.h"
#include "mime/ImportReport.h"
#include "mime/SizeTrackingSink.h"

namespace mailferry::mime {

struct AttachmentContext {
  const std::string& htmlUtf8;  // the HTML body, to find the images it shows
  ShortNames& shortNames;
  ImportReport& report;
  int unnamedCount = 0;
};

// A leaf part as a by-value attachment (method 1). Returns true when it is an inline image
// that the HTML body shows, which is then hidden.
bool writeFileAttachment(GMimePart* part, bool inAggregate, SizeTrackingAttachment& attachment,
                         AttachmentContext& context);

// A whole MIME entity, headers and all, as one by-value attachment (S/MIME clear-signed mail).
void writeEntityAttachment(GMimeObject* entity, const std::string& fileName,
                           SizeTrackingAttachment& attachment, AttachmentContext& context);

// The attachment properties of an attached message (method 5); the caller fills the message.
void setEmbeddedMessageProperties(GMimeMessagePart* part, SizeTrackingAttachment& attachment);

// The attach size a PST needs ([MS-PST] 2.4.6.2.1), set once everything else is written.
void finishAttachment(SizeTrackingAttachment& attachment);

// Whether the HTML shows this part: "cid:<content id>" or its Content-Location appear in it.
bool htmlReferences(const std::string& htmlUtf8, const std::string& contentId,
                    const std::string& contentLocation);

}  // namespace mailferry::mime
