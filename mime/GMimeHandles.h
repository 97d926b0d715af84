// Owning handles for the GLib/GMime objects the import uses, and the once-per-process GMime set-up.
#pragma once

#include <gmime/gmime.h>

#include <memory>
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

// GMime keeps process-wide tables (charsets, object types); they are set up on first use and
// released at exit.
void ensureGMime();

}  // namespace mailferry::mime
