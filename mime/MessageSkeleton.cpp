#include "mime/MessageSkeleton.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "pst/CpuFeatures.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MAILFERRY_SKELETON_SSE2 1
#endif
#ifdef MAILFERRY_X86_64_VECTORS
#include <immintrin.h>
#endif

namespace mailferry::mime {

namespace {

// RFC 5322 2.1.1: at most 998 characters a line; with CR LF the line breaks are 1,000 apart.
constexpr std::size_t kLongestRunLineBreakGap = 1000;
// GMime's parser reads 4 KB at a time and sees a line whole only when it fits; a longer line
// could be cut at a different place once runs before it are left out.
constexpr std::size_t kLongestOtherLine = 2048;

constexpr std::array<bool, 256> kRunBytes = [] {
  std::array<bool, 256> table{};
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = true;
  for (int c = 'a'; c <= 'z'; ++c) table[c] = true;
  for (int c = '0'; c <= '9'; ++c) table[c] = true;
  for (const char c : {'+', '/', '=', '\r', '\n'}) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

// Masks of a 64-byte block: the bytes outside the run alphabet, and the LFs.
struct BlockMasks {
  std::uint64_t outside;
  std::uint64_t lineFeeds;
};
using ClassifyBlock = BlockMasks (*)(const char* block);

#ifdef MAILFERRY_SKELETON_SSE2
BlockMasks classifySse2(const char* block) {
  BlockMasks masks{0, 0};
  for (int quarter = 0; quarter < 4; ++quarter) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * quarter));
    const auto inRange = [](__m128i v, char low, char high) {
      // Signed compares: bytes from 0x80 up are negative and so in no range here.
      return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(low - 1))),
                           _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(high + 1)), v));
    };
    const __m128i folded = _mm_or_si128(bytes, _mm_set1_epi8(0x20));  // 'A'-'Z' onto 'a'-'z'
    const __m128i lf = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'));
    __m128i inside = _mm_or_si128(inRange(folded, 'a', 'z'), inRange(bytes, '0', '9'));
    for (const char c : {'+', '/', '=', '\r'})
      inside = _mm_or_si128(inside, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)));
    inside = _mm_or_si128(inside, lf);
    const auto shift = static_cast<unsigned>(16 * quarter);
    masks.outside |= std::uint64_t{~static_cast<unsigned>(_mm_movemask_epi8(inside)) & 0xFFFFu}
                     << shift;
    masks.lineFeeds |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(lf))} << shift;
  }
  return masks;
}
#endif

#ifdef MAILFERRY_X86_64_VECTORS
MAILFERRY_TARGET_VBMI BlockMasks classifyAvx512(const char* block) {
  const __m512i bytes = _mm512_loadu_si512(block);
  const auto inRange = [](__m512i v, char low, char high) MAILFERRY_TARGET_VBMI {
    return _mm512_cmple_epu8_mask(_mm512_sub_epi8(v, _mm512_set1_epi8(low)),
                                  _mm512_set1_epi8(static_cast<char>(high - low)));
  };
  const auto is = [&](char c) MAILFERRY_TARGET_VBMI {
    return _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(c));
  };
  const __m512i folded = _mm512_or_si512(bytes, _mm512_set1_epi8(0x20));  // 'A'-'Z' onto 'a'-'z'
  const std::uint64_t lineFeeds = is('\n');
  const std::uint64_t inside = inRange(folded, 'a', 'z') | inRange(bytes, '0', '9') | is('+') |
                               is('/') | is('=') | is('\r') | lineFeeds;
  return {~inside, lineFeeds};
}
#endif

ClassifyBlock blockClassifier(RunScanWay way) {
#ifdef MAILFERRY_X86_64_VECTORS
  static const bool wide = pst::hasByteVectorPermutes();
  if (way == RunScanWay::kBest && wide) return classifyAvx512;
#endif
#ifdef MAILFERRY_SKELETON_SSE2
  if (way != RunScanWay::kBytes) return classifySse2;
#endif
  (void)way;
  return nullptr;
}

}  // namespace

std::size_t base64RunEnd(std::span<const char> text, std::size_t start, RunScanWay way) {
  std::size_t lastBreak = start - 1;  // a run starts at a line start
  std::size_t at = start;
  if (const ClassifyBlock classify = blockClassifier(way)) {
    while (at + 64 <= text.size()) {
      auto [outside, lineFeeds] = classify(text.data() + at);
      if (outside != 0) lineFeeds &= (std::uint64_t{1} << std::countr_zero(outside)) - 1;
      if (lineFeeds != 0) {
        if (at + static_cast<std::size_t>(std::countr_zero(lineFeeds)) - lastBreak >
            kLongestRunLineBreakGap) {
          return lastBreak + 1;
        }
        lastBreak = at + 63 - static_cast<std::size_t>(std::countl_zero(lineFeeds));
      }
      if (outside != 0) return lastBreak + 1;
      if (at + 64 - lastBreak >= kLongestRunLineBreakGap) break;  // the byte loop finds where
      at += 64;
    }
  }
  for (; at < text.size(); ++at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (!kRunBytes[c]) break;
    if (c == '\n') {
      if (at - lastBreak > kLongestRunLineBreakGap) break;
      lastBreak = at;
    } else if (at - lastBreak >= kLongestRunLineBreakGap) {
      break;
    }
  }
  return lastBreak + 1;
}

std::optional<MessageSkeleton> MessageSkeleton::of(std::span<const char> message) {
  // Runs start right after a blank line: no header block is open there, so whatever the parser
  // is reading (a part's content, a prologue, an attached message's first line), a line of base64
  // characters is not one it can take for a header field or a boundary.
  struct Run {
    std::size_t start, end;
  };
  std::vector<Run> runs;
  std::size_t pos = 0;
  while (pos < message.size()) {
    const void* lf = std::memchr(message.data() + pos, '\n', message.size() - pos);
    const std::size_t lineEnd =
        lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - message.data()) + 1
                      : message.size();
    if (lineEnd - pos > kLongestOtherLine) return std::nullopt;
    const bool blank =
        lf != nullptr && (lineEnd - pos == 1 || (lineEnd - pos == 2 && message[pos] == '\r'));
    pos = lineEnd;
    if (!blank) continue;
    const std::size_t runEnd = base64RunEnd(message, pos);
    if (runEnd - pos >= kShortestRun) {
      runs.push_back({pos, runEnd});
      pos = runEnd;
    }
  }
  if (runs.empty()) return std::nullopt;

  std::size_t leftOutBytes = 0;
  for (const Run& run : runs) leftOutBytes += run.end - run.start;
  GByteArray* bytes =
      g_byte_array_sized_new(static_cast<guint>(message.size() - leftOutBytes + 8 * runs.size()));
  std::vector<LeftOut> leftOut;
  leftOut.reserve(runs.size());
  std::size_t copied = 0;
  for (const Run& run : runs) {
    g_byte_array_append(bytes, reinterpret_cast<const guint8*>(message.data() + copied),
                        static_cast<guint>(run.start - copied));
    // The marker keeps the run's line break, and four characters so the content is never empty.
    const bool crlf = run.end - run.start >= 2 && message[run.end - 2] == '\r';
    const std::string_view marker =
        crlf ? std::string_view("AAAA\r\n") : std::string_view("AAAA\n");
    leftOut.push_back({static_cast<gint64>(bytes->len), static_cast<gint64>(marker.size()),
                       static_cast<gint64>(run.start), static_cast<gint64>(run.end - run.start)});
    g_byte_array_append(bytes, reinterpret_cast<const guint8*>(marker.data()),
                        static_cast<guint>(marker.size()));
    copied = run.end;
  }
  g_byte_array_append(bytes, reinterpret_cast<const guint8*>(message.data() + copied),
                      static_cast<guint>(message.size() - copied));
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_byte_array(bytes));  // owns `bytes`
  return MessageSkeleton(std::move(leftOut), std::move(stream));
}

gint64 MessageSkeleton::toMessage(gint64 skeletonOffset, bool isEnd) const {
  gint64 shift = 0;
  for (const LeftOut& run : leftOut_) {
    const gint64 markerEnd = run.skeletonStart + run.markerLength;
    if (skeletonOffset <= run.skeletonStart) break;
    if (skeletonOffset < markerEnd) {
      // Inside a marker: an end counts back from its run's end (the parser drops a marker's
      // line break exactly where it would drop the run's); anything else is the run's start.
      return isEnd ? run.messageStart + run.messageLength - (markerEnd - skeletonOffset)
                   : run.messageStart;
    }
    shift += run.messageLength - run.markerLength;
  }
  return skeletonOffset + shift;
}

gint64 MessageSkeleton::messageOffset(gint64 skeletonOffset) const {
  return skeletonOffset < 0 ? skeletonOffset : toMessage(skeletonOffset, false);
}

// One walk over the parsed tree, counting the markers each leaf's content covers.
class MessageSkeleton::Repointing {
 public:
  Repointing(const MessageSkeleton& skeleton, GMimeStream* original, gint64 originalStart)
      : skeleton_(skeleton),
        original_(original),
        originalStart_(originalStart),
        covered_(skeleton.leftOut_.size(), 0) {}

  bool walk(GMimeObject* object) {
    if (object == nullptr) return true;
    if (GMIME_IS_MULTIPART(object)) {
      auto* multipart = GMIME_MULTIPART(object);
      const int count = g_mime_multipart_get_count(multipart);
      for (int i = 0; i < count; ++i) {
        if (!walk(g_mime_multipart_get_part(multipart, i))) return false;
      }
      return true;
    }
    if (GMIME_IS_MESSAGE_PART(object)) {
      GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
      return inner == nullptr || walk(g_mime_message_get_mime_part(inner));
    }
    if (GMIME_IS_PART(object)) return repoint(GMIME_PART(object));
    return true;
  }

  bool everyMarkerCoveredOnce() const {
    for (const int count : covered_) {
      if (count != 1) return false;
    }
    return true;
  }

 private:
  bool repoint(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (content == nullptr) return true;
    GMimeStream* stream = g_mime_data_wrapper_get_stream(content);
    // The parser keeps a part's content as a piece of the stream it read.
    if (!GMIME_IS_STREAM_MEM(stream) ||
        g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream)) !=
            g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(skeleton_.stream()))) {
      return false;
    }
    const gint64 start = stream->bound_start;
    const gint64 end = stream->bound_end;
    if (start < 0 || end < start) return false;
    for (std::size_t i = 0; i < skeleton_.leftOut_.size(); ++i) {
      const LeftOut& run = skeleton_.leftOut_[i];
      const gint64 markerEnd = run.skeletonStart + run.markerLength;
      if (end <= run.skeletonStart || start >= markerEnd) continue;  // no overlap
      // Inside when the content takes the marker from its first character; at most the line
      // break (two bytes) may fall after the content's end.
      if (start > run.skeletonStart || end < markerEnd - 2) return false;
      ++covered_[i];
    }
    GObjectPtr<GMimeStream> moved(
        g_mime_stream_substream(original_, originalStart_ + skeleton_.messageOffset(start),
                                originalStart_ + skeleton_.toMessage(end, true)));
    GObjectPtr<GMimeDataWrapper> wrapper(g_mime_data_wrapper_new_with_stream(
        moved.get(), g_mime_data_wrapper_get_encoding(content)));
    g_mime_part_set_content(part, wrapper.get());
    return true;
  }

  const MessageSkeleton& skeleton_;
  GMimeStream* original_;
  gint64 originalStart_;
  std::vector<int> covered_;
};

bool MessageSkeleton::pointAtMessage(GMimeMessage* parsed, GMimeStream* original,
                                     gint64 originalStart) const {
  Repointing repointing(*this, original, originalStart);
  return repointing.walk(g_mime_message_get_mime_part(parsed)) &&
         repointing.everyMarkerCoveredOnce();
}

}  // namespace mailferry::mime
