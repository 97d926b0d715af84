// Table-driven base64 decoding with a four-characters-at-a-time fast path.
#include "mime/Base64Decoder.h"

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

// 64 characters to 48 bytes per step with AVX-512 VBMI (the method of Muła and Lemire,
// "Base64 encoding and decoding at almost the speed of a memory copy", 2019): translate
// through a 128-entry table held in two registers, stop at the first block holding anything
// outside the alphabet, merge four 6-bit values into three bytes with two multiply-adds, and
// gather the bytes into place.
MAILFERRY_TARGET_VBMI std::size_t decodeBlocksVbmi(const std::uint8_t*& p, const std::uint8_t* end,
                                                   std::uint8_t*& o) {
  alignas(64) std::uint8_t table[128];
  for (int i = 0; i < 128; ++i) table[i] = kValues[i] < 64 ? kValues[i] : 0x80;
  const __m512i lookupLow = _mm512_load_si512(table);
  const __m512i lookupHigh = _mm512_load_si512(table + 64);
  alignas(64) std::uint8_t order[64] = {};
  for (int g = 0; g < 16; ++g) {
    order[3 * g] = static_cast<std::uint8_t>(4 * g + 2);
    order[3 * g + 1] = static_cast<std::uint8_t>(4 * g + 1);
    order[3 * g + 2] = static_cast<std::uint8_t>(4 * g);
  }
  const __m512i pack = _mm512_load_si512(order);
  const __m512i pairs = _mm512_set1_epi32(0x01400140);
  const __m512i quads = _mm512_set1_epi32(0x00011000);
  constexpr __mmask64 kOut = (1ull << 48) - 1;
  std::size_t blocks = 0;
  while (end - p >= 64) {
    const __m512i in = _mm512_loadu_si512(p);
    const __m512i values = _mm512_permutex2var_epi8(lookupLow, in, lookupHigh);
    if (_mm512_movepi8_mask(_mm512_or_si512(in, values)) != 0) break;  // not all alphabet
    const __m512i merged = _mm512_madd_epi16(_mm512_maddubs_epi16(values, pairs), quads);
    _mm512_mask_storeu_epi8(o, kOut, _mm512_maskz_permutexvar_epi8(kOut, pack, merged));
    p += 64;
    o += 48;
    ++blocks;
  }
  return blocks;
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
      if (useVector_ && pst::hasByteVectorPermutes()) decodeBlocksVbmi(p, end, o);
#endif
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
      if (p == end) break;
    }
    const std::uint8_t v = kValues[*p++];
    if (v == kSkip) continue;
    if (v == kPad) {
      o += flushGroup(bits_, count_, o);
      bits_ = 0;
      count_ = 0;
      continue;
    }
    bits_ = (bits_ << 6) | v;
    if (++count_ == 4) {
      o[0] = static_cast<std::uint8_t>(bits_ >> 16);
      o[1] = static_cast<std::uint8_t>(bits_ >> 8);
      o[2] = static_cast<std::uint8_t>(bits_);
      o += 3;
      bits_ = 0;
      count_ = 0;
    }
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
