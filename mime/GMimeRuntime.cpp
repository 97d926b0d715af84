// Sets GMime up once per process and shuts it down at exit.
#include "mime/GMimeHandles.h"

namespace mailferry::mime {

namespace {

class GMimeRuntime {
 public:
  GMimeRuntime() { g_mime_init(); }
  ~GMimeRuntime() { g_mime_shutdown(); }
  GMimeRuntime(const GMimeRuntime&) = delete;
  GMimeRuntime& operator=(const GMimeRuntime&) = delete;
};

}  // namespace

void ensureGMime() {
  static GMimeRuntime runtime;
}

}  // namespace mailferry::mime
