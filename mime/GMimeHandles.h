// Owning handles for the GLib/GMime objects the import uses, and the once-per-process GMime set-up.
#pragma once

#include <gmime/gmime.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace mailferry::mime {

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
  void operator()(gpointer p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFree>;

struct GDateTimeUnref {
  void operator()(GDateTime* d) const {
    if (d != nullptr) g_date_time_unref(d);
  }
};
using GDateTimePtr = std::unique_ptr<GDateTime, GDateTimeUnref>;

// Takes a g_malloc'ed string, returns it as std::string (empty for null) and frees it.
inline std::string takeString(char* text) {
  GCharPtr owned(text);
  return owned ? std::string(owned.get()) : std::string();
}

inline std::string orEmpty(const char* text) {
  return text != nullptr ? std::string(text) : std::string();
}

// What is left of a memory stream (a message read whole, or a piece GMime cut from one), from
// its position to its end, in place; nothing for any other kind of stream.
inline std::optional<std::span<const std::uint8_t>> memoryStreamBytes(GMimeStream* stream) {
  if (!GMIME_IS_STREAM_MEM(stream)) return std::nullopt;
  const GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
  if (array == nullptr) return std::nullopt;
  const gint64 start = stream->position;
  const gint64 end = stream->bound_end >= 0 && stream->bound_end < static_cast<gint64>(array->len)
                         ? stream->bound_end
                         : static_cast<gint64>(array->len);
  if (start < 0 || end < start) return std::nullopt;
  return std::span<const std::uint8_t>(array->data + start, static_cast<std::size_t>(end - start));
}

// GMime keeps process-wide tables (charsets, object types); they are set up on first use and
// released at exit.
void ensureGMime();

}  // namespace mailferry::mime
