// libFuzzer entry: random bytes as a message file (.eml or, with a count line, .emlx) through
// the whole import into a recording sink. Only crashes, leaks, hangs and undefined behaviour
// are findings; ImportError is the import's normal answer to a file that is no message.
#include <cstddef>
#include <cstdint>
#include <span>

#include "mime/MessageImporter.h"
#include "tests/mime/RecordingSink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mailferry::mime::testing::RecordedMessage message;
  mailferry::mime::ImportOptions options;
  options.now = [] { return mailferry::pst::FileTime{0}; };
  try {
    mailferry::mime::importMessageBytes(std::span<const std::uint8_t>(data, size), message,
                                        "fuzz.eml", options);
  } catch (const mailferry::mime::ImportError&) {
  }
  return 0;
}
