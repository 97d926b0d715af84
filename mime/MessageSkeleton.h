// A message's bytes with the long runs of base64 lines in its part bodies left out, for GMime's
// parser to read in their place.
//
// GMime's parser looks at every line of every part for a boundary, a few calls per line; on a
// message with attachments that scan cost more than the rest of the import. A run of lines that
// hold nothing but base64 characters can be no boundary, no header field and no OpenPGP marker,
// so the parser treats it as content whatever the state it is in, and leaving the run out changes
// nothing but the length of that content. Each left-out run is replaced by one short marker line,
// and once the parser has built the message from the skeleton, every leaf part is pointed back at
// the message's own bytes. When a marker did not end up inside one leaf part's content (a run in
// a multipart's prologue, say), the caller parses the whole message instead.
#pragma once

#include <gmime/gmime.h>

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "mime/GMimeHandles.h"

namespace mailferry::mime {

class MessageSkeleton {
 public:
  // Runs shorter than this are left in: the saving would not pay for the marker.
  static constexpr std::size_t kShortestRun = 2048;

  // The skeleton of `message`, or nothing when no run is worth leaving out or when the message
  // has a line too long for the parser to see whole (its line starts could then differ between
  // the skeleton and the message).
  static std::optional<MessageSkeleton> of(std::span<const char> message);

  // The skeleton as a memory stream, for a parser.
  GMimeStream* stream() const { return stream_.get(); }

  // The message offset of the byte at `skeletonOffset` (a marker counts as its run).
  gint64 messageOffset(gint64 skeletonOffset) const;

  // Points every leaf part of `parsed` (built from stream()) at the same bytes of `original`, the
  // stream of the message whose first byte is at `originalStart`. False, with `parsed` half
  // changed, when some marker is not inside exactly one leaf part's content.
  bool pointAtMessage(GMimeMessage* parsed, GMimeStream* original, gint64 originalStart) const;

 private:
  struct LeftOut {
    gint64 skeletonStart;  // where the marker line starts
    gint64 markerLength;   // the marker line, its line break included
    gint64 messageStart;   // where the run starts
    gint64 messageLength;  // the run, its last line break included
  };
  class Repointing;

  MessageSkeleton(std::vector<LeftOut> leftOut, GObjectPtr<GMimeStream> stream)
      : leftOut_(std::move(leftOut)), stream_(std::move(stream)) {}

  // The message offset of a skeleton offset, or of the end of a range that ends there.
  gint64 toMessage(gint64 skeletonOffset, bool isEnd) const;

  std::vector<LeftOut> leftOut_;
  GObjectPtr<GMimeStream> stream_;
};

// How base64RunEnd looks at the bytes (a choice for tests; every way gives the same answer).
enum class RunScanWay {
  kBest,   // the widest vectors the processor has
  kSse2,   // 16 bytes at a time where SSE2 is the baseline, else byte by byte
  kBytes,  // byte by byte
};

// Where the run of base64 lines that starts at `start` (a line start) ends: the offset just after
// its last line break, or `start` when there is no such line. A run holds only the base64
// alphabet, "=", CR and LF, and no line break comes more than 1,000 bytes after the one before
// (RFC 5322 2.1.1: 998 characters and CR LF).
std::size_t base64RunEnd(std::span<const char> text, std::size_t start,
                         RunScanWay way = RunScanWay::kBest);

}  // namespace mailferry::mime
