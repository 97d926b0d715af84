// Chunked reading of decoded MIME part content: base64 through our own decoder, the other
// transfer encodings through a GMime filter stream.
#include "mime/PartContent.h"

#include <algorithm>
#include <vector>

#include "mime/Base64Decoder.h"
#include "mime/GMimeHandles.h"
#include "mime/UuDecoder.h"

namespace mailferry::mime {

namespace {

using Chunk = std::span<const std::uint8_t>;

// Calls `use` with consecutive pieces of what is left of `stream`. A memory stream (a message
// read whole, and the parts GMime cuts from it) is handed over in place, without a copy.
void forEachChunk(GMimeStream* stream, const std::function<void(Chunk)>& use) {
  if (const auto all = memoryStreamBytes(stream)) {
    for (std::size_t at = 0; at < all->size(); at += kContentChunkBytes)
      use(all->subspan(at, std::min(kContentChunkBytes, all->size() - at)));
    g_mime_stream_seek(stream, 0, GMIME_STREAM_SEEK_END);
    return;
  }
  std::vector<std::uint8_t> buffer(kContentChunkBytes);
  while (true) {
    const ssize_t n =
        g_mime_stream_read(stream, reinterpret_cast<char*>(buffer.data()), buffer.size());
    if (n <= 0) break;
    use(Chunk(buffer.data(), static_cast<std::size_t>(n)));
  }
}

std::uint64_t drain(GMimeStream* stream, const std::function<void(Chunk)>& consume) {
  std::uint64_t total = 0;
  forEachChunk(stream, [&](Chunk chunk) {
    consume(chunk);
    total += chunk.size();
  });
  return total;
}

std::uint64_t drainBase64(GMimeStream* stream, const std::function<void(Chunk)>& consume) {
  std::vector<std::uint8_t> decoded(Base64Decoder::maxOutput(kContentChunkBytes));
  Base64Decoder decoder;
  std::uint64_t total = 0;
  auto deliver = [&](std::size_t n) {
    if (n == 0) return;
    consume(Chunk(decoded.data(), n));
    total += n;
  };
  forEachChunk(stream, [&](Chunk chunk) { deliver(decoder.decode(chunk, decoded.data())); });
  deliver(decoder.finish(decoded.data()));
  return total;
}

std::uint64_t drainUuencode(GMimeStream* stream, const std::function<void(Chunk)>& consume) {
  UuDecoder decoder;
  std::string decoded;
  std::uint64_t total = 0;
  auto deliver = [&] {
    if (decoded.empty()) return;
    consume(Chunk(reinterpret_cast<const std::uint8_t*>(decoded.data()), decoded.size()));
    total += decoded.size();
    decoded.clear();
  };
  forEachChunk(stream, [&](Chunk chunk) {
    decoder.decode(chunk, decoded);
    deliver();
  });
  decoder.finish(decoded);
  deliver();
  return total;
}

}  // namespace

std::uint64_t streamPartContent(GMimePart* part,
                                const std::function<void(std::span<const std::uint8_t>)>& consume) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (content == nullptr) return 0;
  GMimeStream* raw = g_mime_data_wrapper_get_stream(content);
  if (raw == nullptr) return 0;
  g_mime_stream_reset(raw);
  const GMimeContentEncoding encoding = g_mime_data_wrapper_get_encoding(content);
  if (encoding == GMIME_CONTENT_ENCODING_BASE64) return drainBase64(raw, consume);
  if (encoding == GMIME_CONTENT_ENCODING_UUENCODE) return drainUuencode(raw, consume);
  if (encoding != GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE) return drain(raw, consume);
  GObjectPtr<GMimeStream> filtered(g_mime_stream_filter_new(raw));
  GObjectPtr<GMimeFilter> decoder(g_mime_filter_basic_new(encoding, FALSE));
  g_mime_stream_filter_add(GMIME_STREAM_FILTER(filtered.get()), decoder.get());
  return drain(filtered.get(), consume);
}

PartBytes readPartContent(GMimePart* part, std::size_t maxBytes) {
  PartBytes result;
  streamPartContent(part, [&](std::span<const std::uint8_t> chunk) {
    const std::size_t room = maxBytes - result.bytes.size();
    if (chunk.size() > room) {
      result.truncated = true;
      chunk = chunk.first(room);
    }
    result.bytes.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
  });
  return result;
}

std::uint64_t streamEntity(GMimeObject* entity,
                           const std::function<void(std::span<const std::uint8_t>)>& consume) {
  GObjectPtr<GMimeStream> memory(g_mime_stream_mem_new());
  g_mime_object_write_to_stream(entity, nullptr, memory.get());
  g_mime_stream_reset(memory.get());
  return drain(memory.get(), consume);
}

}  // namespace mailferry::mime
