// The decoded content (transfer encoding removed) of one leaf MIME part, read through GMime
// streams in chunks so that a part of any size never sits in memory whole.
#pragma once

#include <gmime/gmime.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace mailferry::mime {

constexpr std::size_t kContentChunkBytes = 64 * 1024;

// Calls `consume` with consecutive pieces of the decoded content; returns the total size.
std::uint64_t streamPartContent(GMimePart* part,
                                const std::function<void(std::span<const std::uint8_t>)>& consume);

struct PartBytes {
  std::string bytes;
  bool truncated = false;  // the content was longer than the limit
};
PartBytes readPartContent(GMimePart* part, std::size_t maxBytes);

// The serialized form of a whole MIME entity (headers and content), in chunks.
std::uint64_t streamEntity(GMimeObject* entity,
                           const std::function<void(std::span<const std::uint8_t>)>& consume);

}  // namespace mailferry::mime
