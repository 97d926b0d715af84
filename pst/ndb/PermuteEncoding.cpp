// [MS-PST] 5.1 permutative encoding of block data: a byte-for-byte substitution through
// mpbbCrypt. Like the CRC it runs over nearly every byte written; on x86-64 processors with
// AVX-512 VBMI the whole 256-byte table sits in four registers and 64 bytes are substituted
// per step, elsewhere one table lookup per byte.
#include "pst/ndb/Format.h"

#include "pst/CpuFeatures.h"

#ifdef MAILFERRY_X86_64_VECTORS
#include <immintrin.h>
#endif

namespace mailferry::pst::format {

namespace {

#ifdef MAILFERRY_X86_64_VECTORS

struct Table {
  __m512i t0, t1, t2, t3;
};

MAILFERRY_TARGET_VBMI inline __m512i substitute(const Table& t, __m512i idx) {
  // Bits 0-6 pick an entry of the lower or the upper half; bit 7 picks the half.
  const __m512i low = _mm512_permutex2var_epi8(t.t0, idx, t.t1);
  const __m512i high = _mm512_permutex2var_epi8(t.t2, idx, t.t3);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(idx), low, high);
}

MAILFERRY_TARGET_VBMI void permuteVbmi(std::uint8_t* p, std::size_t n) {
  const Table t{_mm512_loadu_si512(kPermuteEncode.data()),
                _mm512_loadu_si512(kPermuteEncode.data() + 64),
                _mm512_loadu_si512(kPermuteEncode.data() + 128),
                _mm512_loadu_si512(kPermuteEncode.data() + 192)};
  for (; n >= 64; n -= 64, p += 64) _mm512_storeu_si512(p, substitute(t, _mm512_loadu_si512(p)));
  if (n > 0) {
    const __mmask64 tail = (~0ull) >> (64 - n);
    _mm512_mask_storeu_epi8(p, tail, substitute(t, _mm512_maskz_loadu_epi8(tail, p)));
  }
}

#endif

}  // namespace

void permuteEncodePortable(std::span<std::uint8_t> bytes) {
  for (std::uint8_t& b : bytes) b = kPermuteEncode[b];
}

void permuteEncode(std::span<std::uint8_t> bytes) {
#ifdef MAILFERRY_X86_64_VECTORS
  if (hasByteVectorPermutes()) return permuteVbmi(bytes.data(), bytes.size());
#endif
  permuteEncodePortable(bytes);
}

}  // namespace mailferry::pst::format
