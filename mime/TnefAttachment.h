// TNEF parts (application/ms-tnef, winmail.dat): recognised so that they are kept whole as an
// ordinary file attachment ([MS-OXCMAIL] 2.2.3.4.1: an undecoded TNEF part is relabelled
// application/octet-stream).
#pragma once

#include <gmime/gmime.h>

#include <cstdint>
#include <span>

namespace mailferry::mime {

inline constexpr const char* kTnefFileName = "winmail.dat";
inline constexpr const char* kTnefRelabelledType = "application/octet-stream";
constexpr std::uint32_t kTnefSignature = 0x223E9F78;  // [MS-OXTNEF] 2.1.3.1

bool isTnefPart(GMimePart* part);

// Whether the bytes start with the TNEF stream signature.
bool hasTnefSignature(std::span<const std::uint8_t> head);

}  // namespace mailferry::mime
