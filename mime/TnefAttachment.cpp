// Recognising TNEF parts by type, name or signature.
#include "mime/TnefAttachment.h"

#include <string_view>

#include "mime/BodySelection.h"
#include "pst/ByteOrder.h"

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
  return head.size() >= 4 && pst::le32(head, 0) == kTnefSignature;
}

}  // namespace mailferry::mime
