// Repairs of a parsed MIME tree before its parts are planned, where GMime built something a mail
// program would show otherwise: a multipart whose boundary never appears (its text is the body),
// a Content-Type without a subtype (text/plain, RFC 2045 5.2), an attached message sent in base64
// or quoted-printable (an attached message still), and text left in a multipart that nested too
// deep to be read.
#pragma once

#include <gmime/gmime.h>

#include <cstddef>
#include <string>
#include <vector>

#include "mime/GMimeHandles.h"

namespace mailferry::mime {

// Repairs the tree below `message` in place, down to `maxDepth` levels; each repair that had to
// guess adds a line to `warnings`.
void repairTree(GMimeMessage* message, int maxDepth, std::vector<std::string>& warnings);

// A text/plain part holding `bytes` as they are (for raw text kept as a body).
GObjectPtr<GMimePart> rawTextPart(const std::string& bytes);

// The first text/plain or text/html leaf at any depth below `root`, found without recursion
// (the tree may be nested far deeper than the planner walks); null when there is none.
GMimePart* deepestFirstTextPart(GMimeObject* root);

// How many leaves (parts and attached messages, not multiparts) lie at or below `root` other
// than `except`, counted without recursion.
std::size_t countLeafParts(GMimeObject* root, const GMimePart* except);

}  // namespace mailferry::mime
