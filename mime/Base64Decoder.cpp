// Table-driven base64 decoding with a four-characters-at-a-time fast path.
#include "mime/Base64Decoder.h"

#include <algorithm>
#include <array>

#include "pst/CpuFeatures.h"

#ifdef MAILFERRY_X86_64_VECTORS
#include <immintrin.h>
#endif

namespace mailferry::mime {

namespace {

constexpr std::uint8_t kSkip = 0x80;
constexpr std::uint8_t kPad = 0x40;

constexpr std::array<std::uint8_t, 256> makeValues() {
  std::array<std::uint8_t, 256> v{};
  for (auto& x : v) x = kSkip;
  constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::uint8_t i = 0; i < 64; ++i) v[static_cast<unsigned char>(kAlphabet[i])] = i;
  v['='] = kPad;
  return v;
}
constexpr auto kValues = makeValues();

// The bytes of an incomplete group of `count` characters (2 -> 1 byte, 3 -> 2 bytes).
std::size_t flushGroup(std::uint32_t bits, int count, std::uint8_t* out) {
  if (count == 2) {
    out[0] = static_cast<std::uint8_t>(bits >> 4);
    return 1;
  }
  if (count == 3) {
    out[0] = static_cast<std::uint8_t>(bits >> 10);
    out[1] = static_cast<std::uint8_t>(bits >> 2);
    return 2;
  }
  return 0;  // a single character holds less than a byte
}

#ifdef MAILFERRY_X86_64_VECTORS

// The vector ways' tables: the value of each ASCII character (0x80 for any outside the
// alphabet, padding included), and where each of the 48 bytes of a decoded block is found in
// the 16 merged groups (three bytes of each 32-bit lane, most significant first).
alignas(64) constexpr std::array<std::uint8_t, 128> kVectorValues = [] {
  std::array<std::uint8_t, 128> table{};
  for (int i = 0; i < 128; ++i) table[i] = kValues[i] < 64 ? kValues[i] : 0x80;
  return table;
}();
alignas(64) constexpr std::array<std::uint8_t, 64> kPackOrder = [] {
  std::array<std::uint8_t, 64> order{};
  for (int g = 0; g < 16; ++g) {
    order[3 * g] = static_cast<std::uint8_t>(4 * g + 2);
    order[3 * g + 1] = static_cast<std::uint8_t>(4 * g + 1);
    order[3 * g + 2] = static_cast<std::uint8_t>(4 * g);
  }
  return order;
}();

// The values of 64 characters, through a 128-entry table held in two registers: 0x80 for
// anything outside the alphabet, and for bytes past 127 the value of their low seven bits
// (the callers rule those out by their high bit).
MAILFERRY_TARGET_VBMI inline __m512i translate(__m512i in) {
  return _mm512_permutex2var_epi8(_mm512_load_si512(kVectorValues.data()), in,
                                  _mm512_load_si512(kVectorValues.data() + 64));
}

// The 48 bytes of 64 values: four 6-bit values merged into three bytes with two multiply-adds,
// then the bytes gathered into place.
MAILFERRY_TARGET_VBMI inline void storeBlock(__m512i values, std::uint8_t* out) {
  constexpr __mmask64 kOut = (1ull << 48) - 1;
  const __m512i pairs = _mm512_set1_epi32(0x01400140);
  const __m512i quads = _mm512_set1_epi32(0x00011000);
  const __m512i merged = _mm512_madd_epi16(_mm512_maddubs_epi16(values, pairs), quads);
  const __m512i pack = _mm512_load_si512(kPackOrder.data());
  _mm512_mask_storeu_epi8(out, kOut, _mm512_maskz_permutexvar_epi8(kOut, pack, merged));
}

// Each lane's own index, for the permutes that move gathered values up or down.
alignas(64) constexpr std::array<std::uint8_t, 64> kLaneIndex = [] {
  std::array<std::uint8_t, 64> lanes{};
  for (int i = 0; i < 64; ++i) lanes[i] = static_cast<std::uint8_t>(i);
  return lanes;
}();

// 64 characters to 48 bytes per step with AVX-512 VBMI (the method of Muła and Lemire,
// "Base64 encoding and decoding at almost the speed of a memory copy", 2019), stopping at the
// first block holding anything outside the alphabet.
MAILFERRY_TARGET_VBMI std::size_t decodeBlocksVbmi(const std::uint8_t*& p, const std::uint8_t* end,
                                                   std::uint8_t*& o) {
  if (end - p < 64) return 0;
  std::size_t blocks = 0;
  while (end - p >= 64) {
    const __m512i in = _mm512_loadu_si512(p);
    const __m512i values = translate(in);
    if (_mm512_movepi8_mask(_mm512_or_si512(in, values)) != 0) break;  // not all alphabet
    storeBlock(values, o);
    p += 64;
    o += 48;
    ++blocks;
  }
  return blocks;
}

// Any 64 characters but "=" per step with AVX-512 VBMI2: translate as above, drop what is
// outside the alphabet (line breaks, mostly) by compressing the values of the rest together,
// and decode each 64 values gathered. Stops before a block holding "=" or when fewer than 64
// characters are left; the values gathered but not decoded (fewer than 64) go to `kept`, and
// their count is returned.
MAILFERRY_TARGET_VBMI2 std::size_t decodeLinesVbmi2(const std::uint8_t*& p, const std::uint8_t* end,
                                                    std::uint8_t*& o, std::uint8_t* kept) {
  if (end - p < 64) return 0;
  const __m512i padding = _mm512_set1_epi8('=');
  const __m512i iota = _mm512_load_si512(kLaneIndex.data());
  // The values gathered so far sit in the low `count` lanes of `gathered` (fewer than 64
  // between steps); the values of each new block are moved in above them with one permute,
  // and those that overflow a full block start the next one.
  __m512i gathered = _mm512_setzero_si512();
  unsigned count = 0;
  while (end - p >= 64) {
    const __m512i in = _mm512_loadu_si512(p);
    if (_mm512_cmpeq_epi8_mask(in, padding) != 0) break;
    const __m512i values = translate(in);
    // Bytes past 127 index the table by their low bits: their own high bit rules them out.
    const __mmask64 alphabet = ~_mm512_movepi8_mask(_mm512_or_si512(in, values));
    const __m512i packed = _mm512_maskz_compress_epi8(alphabet, values);
    const auto taken = static_cast<unsigned>(__builtin_popcountll(alphabet));
    p += 64;
    const __m512i up = _mm512_sub_epi8(iota, _mm512_set1_epi8(static_cast<char>(count)));
    gathered = _mm512_mask_permutexvar_epi8(gathered, ~((1ull << count) - 1), up, packed);
    if (count + taken < 64) {
      count += taken;
      continue;
    }
    storeBlock(gathered, o);
    o += 48;
    const unsigned left = count + taken - 64;
    const __m512i down = _mm512_add_epi8(iota, _mm512_set1_epi8(static_cast<char>(64 - count)));
    gathered = _mm512_maskz_permutexvar_epi8((1ull << left) - 1, down, packed);
    count = left;
  }
  alignas(64) std::uint8_t rest[64];
  _mm512_store_si512(rest, gathered);
  std::copy_n(rest, count, kept);
  return count;
}

#endif

}  // namespace

std::size_t Base64Decoder::decode(std::span<const std::uint8_t> in, std::uint8_t* out) {
  const std::uint8_t* p = in.data();
  const std::uint8_t* const end = p + in.size();
  std::uint8_t* o = out;
  while (p < end) {
    if (count_ == 0) {
#ifdef MAILFERRY_X86_64_VECTORS
      if (way_ == Way::kBest && pst::hasByteCompress()) {
        std::uint8_t kept[64];
        const std::size_t n = decodeLinesVbmi2(p, end, o, kept);
        for (std::size_t i = 0; i < n; ++i) add(kept[i], o);
      } else if (way_ != Way::kPortable && pst::hasByteVectorPermutes()) {
        decodeBlocksVbmi(p, end, o);
      }
#endif
    }
    if (count_ == 0) {
      while (end - p >= 4) {
        const std::uint32_t a = kValues[p[0]], b = kValues[p[1]], c = kValues[p[2]],
                            d = kValues[p[3]];
        if ((a | b | c | d) >= 64) break;  // a skip or a pad among them: the careful way
        const std::uint32_t group = (a << 18) | (b << 12) | (c << 6) | d;
        o[0] = static_cast<std::uint8_t>(group >> 16);
        o[1] = static_cast<std::uint8_t>(group >> 8);
        o[2] = static_cast<std::uint8_t>(group);
        o += 3;
        p += 4;
      }
    }
    if (p == end) break;
    const std::uint8_t v = kValues[*p++];
    if (v == kSkip) continue;
    if (v == kPad) {
      o += flushGroup(bits_, count_, o);
      bits_ = 0;
      count_ = 0;
      continue;
    }
    add(v, o);
  }
  return static_cast<std::size_t>(o - out);
}

std::size_t Base64Decoder::finish(std::uint8_t* out) {
  const std::size_t n = flushGroup(bits_, count_, out);
  bits_ = 0;
  count_ = 0;
  return n;
}

}  // namespace mailferry::mime
