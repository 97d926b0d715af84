// Recognising TNEF parts by type, name or signature.
#include "mime/TnefAttachment.h"

#include <string_view>

#include "mime/BodySelection.h"

namespace mailferry::mime {

bool isTnefPart(GMimePart* part) {
  GMimeObject* object = GMIME_OBJECT(part);
  if (isType(object, "application", "ms-tnef") || isType(object, "application", "vnd.ms-tnef")) {
    return true;
  }
  const char* name = g_mime_part_get_filename(part);
  return name != nullptr && g_ascii_strcasecmp(name, kTnefFileName) == 0;
}

bool hasTnefSignature(std::span<const std::uint8_t> head) {
  if (head.size() < 4) return false;
  const std::uint32_t v =
      head[0] | (head[1] << 8) | (head[2] << 16) | (static_cast<std::uint32_t>(head[3]) << 24);
  return v == kTnefSignature;
}

}  // namespace mailferry::mime
