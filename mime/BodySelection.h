// Which parts of a MIME tree are the message body and which become attachments, chosen as a
// mail client does ([MS-OXCMAIL] 2.2.3.3.2): the first text part reached through mixed,
// related (its root) or alternative (html > enriched > plain) is the body.
#pragma once

#include <gmime/gmime.h>

#include <string>
#include <vector>

namespace mailferry::mime {

struct BodyParts {
  GMimePart* html = nullptr;
  GMimePart* enriched = nullptr;
  GMimePart* text = nullptr;  // also kept when html exists (the plain alternative)
  bool any() const { return html != nullptr || enriched != nullptr || text != nullptr; }
};

struct AttachmentPart {
  GMimeObject* object = nullptr;  // a GMimePart or a GMimeMessagePart
  bool inAggregate = false;       // inside multipart/related or mixed: may be an inline image
  int depth = 0;                  // its nesting level
};

struct PartPlan {
  BodyParts body;
  std::vector<AttachmentPart> attachments;
  bool depthCut = false;               // parts deeper than the limit were left out ...
  std::vector<GMimeObject*> cutParts;  // ... these, each with everything below it
};

// `depth` is the nesting level of `root` (attached messages count too); parts deeper than
// `maxDepth` are left out.
PartPlan planParts(GMimeObject* root, int depth, int maxDepth);

bool isType(GMimeObject* object, const char* type, const char* subtype);

}  // namespace mailferry::mime
