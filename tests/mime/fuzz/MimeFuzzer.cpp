// libFuzzer entry: random bytes as a message file (.eml or .emlx) through
// the whole import into a recording sink. Crashes, leaks, hangs and undefined behaviour are
// findings; ImportError is the import's normal answer to a file that is no message. The bytes
// are also parsed both ways, through the skeleton and line by line, and any difference in the
// message written out again or in the warnings is a finding too.
#include <gmime/gmime.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "mime/GMimeHandles.h"
#include "mime/MessageImporter.h"
#include "mime/MessageParser.h"
#include "tests/mime/RecordingSink.h"

namespace {

std::string written(const mailferry::mime::ParsedMessage& parsed) {
  if (!parsed.message) return "(none)";
  return mailferry::mime::takeString(
      g_mime_object_to_string(GMIME_OBJECT(parsed.message.get()), nullptr));
}

void parseBothWays(const std::uint8_t* data, std::size_t size) {
  using namespace mailferry::mime;
  ensureGMime();
  const auto parse = [&](ParseWay way) {
    GObjectPtr<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(reinterpret_cast<const char*>(data), size));
    return parseMessage(stream.get(), way);
  };
  const ParsedMessage whole = parse(ParseWay::kWhole);
  const ParsedMessage best = parse(ParseWay::kBest);
  if (best.fromSkeleton && (written(whole) != written(best) || whole.warnings != best.warnings)) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mailferry::mime::testing::RecordedMessage message;
  mailferry::mime::ImportOptions options;
  options.now = [] { return mailferry::pst::FileTime{0}; };
  try {
    // An odd length is read as an .emlx file, so that the repair of a damaged count line is
    // reached too.
    mailferry::mime::importMessageBytes(std::span<const std::uint8_t>(data, size), message,
                                        size % 2 == 1 ? "fuzz.emlx" : "fuzz.eml", options);
  } catch (const mailferry::mime::ImportError&) {
  }
  parseBothWays(data, size);
  return 0;
}
