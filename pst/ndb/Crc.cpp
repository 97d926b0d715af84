// [MS-PST] 5.3 CRC (reflected polynomial 0xEDB88320, initial value 0, no final XOR). Every
// block and page written is checksummed, so this runs over every byte of the file: on x86-64
// processors with carry-less multiplication it folds 64 bytes per step (the method of Intel's
// "Fast CRC Computation for Generic Polynomials Using PCLMULQDQ Instruction", 2009, with the
// constants for this polynomial), elsewhere it takes eight bytes per step through
// slicing-by-8 tables.
#include "pst/ndb/Format.h"

#include "pst/CpuFeatures.h"

#ifdef MAILFERRY_X86_64_VECTORS
#include <immintrin.h>
#endif

namespace mailferry::pst::format {

namespace {

// kSlices[k][b] is the CRC step of byte b followed by k zero bytes.
constexpr std::array<std::array<std::uint32_t, 256>, 8> makeSlices() {
  std::array<std::array<std::uint32_t, 256>, 8> t{};
  t[0] = detail::kCrcTable;
  for (std::size_t k = 1; k < 8; ++k) {
    for (std::size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  }
  return t;
}
constexpr auto kSlices = makeSlices();

std::uint32_t crcSliced(const std::uint8_t* p, std::size_t n, std::uint32_t crc) {
  for (; n >= 8; n -= 8, p += 8) {
    const std::uint32_t lo = crc ^ load32(p);
    crc = kSlices[7][lo & 0xFF] ^ kSlices[6][(lo >> 8) & 0xFF] ^ kSlices[5][(lo >> 16) & 0xFF] ^
          kSlices[4][lo >> 24] ^ kSlices[3][p[4]] ^ kSlices[2][p[5]] ^ kSlices[1][p[6]] ^
          kSlices[0][p[7]];
  }
  for (; n > 0; --n, ++p) crc = detail::kCrcTable[(crc ^ *p) & 0xFF] ^ (crc >> 8);
  return crc;
}

#ifdef MAILFERRY_X86_64_VECTORS

// Folding constants for 0xEDB88320 (x^k mod P, bit-reflected), the final reduction constant,
// and P and its Barrett quotient mu.
constexpr std::uint64_t kFold64Lo = 0x154442bd4;  // 4 x 128-bit lanes apart
constexpr std::uint64_t kFold64Hi = 0x1c6e41596;
constexpr std::uint64_t kFold16Lo = 0x1751997d0;  // one 128-bit lane apart
constexpr std::uint64_t kFold16Hi = 0x0ccaa009e;
constexpr std::uint64_t kFold32 = 0x163cd6124;
constexpr std::uint64_t kPoly = 0x1db710641;
constexpr std::uint64_t kMu = 0x1f7011641;

MAILFERRY_TARGET_CLMUL inline __m128i fold(__m128i x, __m128i k, __m128i next) {
  return _mm_xor_si128(
      _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// n >= 64 and a multiple of 16.
MAILFERRY_TARGET_CLMUL std::uint32_t crcClmul(const std::uint8_t* p, std::size_t n,
                                              std::uint32_t crc) {
  auto load = [](const std::uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  };
  __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x2 = load(p + 16);
  __m128i x3 = load(p + 32);
  __m128i x4 = load(p + 48);
  p += 64;
  n -= 64;
  const __m128i k64 =
      _mm_set_epi64x(static_cast<long long>(kFold64Hi), static_cast<long long>(kFold64Lo));
  for (; n >= 64; n -= 64, p += 64) {
    x1 = fold(x1, k64, load(p));
    x2 = fold(x2, k64, load(p + 16));
    x3 = fold(x3, k64, load(p + 32));
    x4 = fold(x4, k64, load(p + 48));
  }
  const __m128i k16 =
      _mm_set_epi64x(static_cast<long long>(kFold16Hi), static_cast<long long>(kFold16Lo));
  x1 = fold(x1, k16, x2);
  x1 = fold(x1, k16, x3);
  x1 = fold(x1, k16, x4);
  for (; n >= 16; n -= 16, p += 16) x1 = fold(x1, k16, load(p));

  // 128 -> 64 bits, then 64 -> 32 by a Barrett reduction.
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(k16, x1, 0x01));
  const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);
  x1 =
      _mm_xor_si128(_mm_srli_si128(x1, 4),
                    _mm_clmulepi64_si128(_mm_and_si128(x1, mask32),
                                         _mm_cvtsi64_si128(static_cast<long long>(kFold32)), 0x00));
  const __m128i pmu = _mm_set_epi64x(static_cast<long long>(kMu), static_cast<long long>(kPoly));
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), pmu, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), pmu, 0x00);
  return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}

#endif

}  // namespace

std::uint32_t computeCrcPortable(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
  return crcSliced(bytes.data(), bytes.size(), crc);
}

std::uint32_t computeCrc(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
#ifdef MAILFERRY_X86_64_VECTORS
  if (bytes.size() >= 64 && hasCarrylessMultiply()) {
    const std::size_t folded = bytes.size() & ~std::size_t{15};
    crc = crcClmul(bytes.data(), folded, crc);
    return crcSliced(bytes.data() + folded, bytes.size() - folded, crc);
  }
#endif
  return crcSliced(bytes.data(), bytes.size(), crc);
}

}  // namespace mailferry::pst::format
