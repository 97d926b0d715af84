// Imports one message file (.eml, or .emlx with its byte count and property list) into one
// message item: the MIME-to-MAPI content conversion of [MS-OXCMAIL] 2.2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

#include "mime/ImportReport.h"
#include "pst/FileTime.h"
#include "pst/messaging/MessageSink.h"

namespace mailferry::mime {

struct ImportOptions {
  // The clock, read only when a message has no usable Date header. Empty: the system clock.
  std::function<pst::FileTime()> now;
  // MIME nesting (multiparts and attached messages together) beyond which parts are left out.
  int maxDepth = 64;
};

// Fills `sink` from the message in `path`. Throws ImportError when the file cannot be read or
// holds no message at all; everything else that goes wrong is listed in the report's warnings.
ImportReport importMessageFile(const std::filesystem::path& path, pst::MessageSink& sink,
                               const ImportOptions& options = {});

// The same for a message already in memory (`name` is used in messages only). The .emlx framing
// is recognised by its leading byte-count line.
ImportReport importMessageBytes(std::span<const std::uint8_t> bytes, pst::MessageSink& sink,
                                const std::filesystem::path& name = "message",
                                const ImportOptions& options = {});

}  // namespace mailferry::mime
