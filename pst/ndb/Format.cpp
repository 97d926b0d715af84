// The tables behind the node database's pure functions: the CRC and the permutative encoding.
#include "pst/ndb/Format.h"

namespace mailferry::pst::format {

// [MS-PST] 5.1 mpbbCrypt, first third (encoding).
constexpr std::array<std::uint8_t, 256> kPermuteEncode = {
    65,  54,  19,  98,  168, 33,  110, 187, 244, 22,  204, 4,   127, 100, 232, 93,  30,  242, 203,
    42,  116, 197, 94,  53,  210, 149, 71,  158, 150, 45,  154, 136, 76,  125, 132, 63,  219, 172,
    49,  182, 72,  95,  246, 196, 216, 57,  139, 231, 35,  59,  56,  142, 200, 193, 223, 37,  177,
    32,  165, 70,  96,  78,  156, 251, 170, 211, 86,  81,  69,  124, 85,  0,   7,   201, 43,  157,
    133, 155, 9,   160, 143, 173, 179, 15,  99,  171, 137, 75,  215, 167, 21,  90,  113, 102, 66,
    191, 38,  74,  107, 152, 250, 234, 119, 83,  178, 112, 5,   44,  253, 89,  58,  134, 126, 206,
    6,   235, 130, 120, 87,  199, 141, 67,  175, 180, 28,  212, 91,  205, 226, 233, 39,  79,  195,
    8,   114, 128, 207, 176, 239, 245, 40,  109, 190, 48,  77,  52,  146, 213, 14,  60,  34,  50,
    229, 228, 249, 159, 194, 209, 10,  129, 18,  225, 238, 145, 131, 118, 227, 151, 230, 97,  138,
    23,  121, 164, 183, 220, 144, 122, 92,  140, 2,   166, 202, 105, 222, 80,  26,  17,  147, 185,
    82,  135, 88,  252, 237, 29,  55,  73,  27,  106, 224, 41,  51,  153, 189, 108, 217, 148, 243,
    64,  84,  111, 240, 198, 115, 184, 214, 62,  101, 24,  68,  31,  221, 103, 16,  241, 12,  25,
    236, 174, 3,   161, 20,  123, 169, 11,  255, 248, 163, 192, 162, 1,   247, 46,  188, 36,  104,
    117, 13,  254, 186, 47,  181, 208, 218, 61};

// [MS-PST] 5.1 mpbbCrypt, last third (decoding).
constexpr std::array<std::uint8_t, 256> kPermuteDecode = {
    71,  241, 180, 230, 11,  106, 114, 72,  133, 78,  158, 235, 226, 248, 148, 83,  224, 187, 160,
    2,   232, 90,  9,   171, 219, 227, 186, 198, 124, 195, 16,  221, 57,  5,   150, 48,  245, 55,
    96,  130, 140, 201, 19,  74,  107, 29,  243, 251, 143, 38,  151, 202, 145, 23,  1,   196, 50,
    45,  110, 49,  149, 255, 217, 35,  209, 0,   94,  121, 220, 68,  59,  26,  40,  197, 97,  87,
    32,  144, 61,  131, 185, 67,  190, 103, 210, 70,  66,  118, 192, 109, 91,  126, 178, 15,  22,
    41,  60,  169, 3,   84,  13,  218, 93,  223, 246, 183, 199, 98,  205, 141, 6,   211, 105, 92,
    134, 214, 20,  247, 165, 102, 117, 172, 177, 233, 69,  33,  112, 12,  135, 159, 116, 164, 34,
    76,  111, 191, 31,  86,  170, 46,  179, 120, 51,  80,  176, 163, 146, 188, 207, 25,  28,  167,
    99,  203, 30,  77,  62,  75,  27,  155, 79,  231, 240, 238, 173, 58,  181, 89,  4,   234, 64,
    85,  37,  81,  229, 122, 137, 56,  104, 82,  123, 252, 39,  174, 215, 189, 250, 7,   244, 204,
    142, 95,  239, 53,  156, 132, 43,  21,  213, 119, 52,  73,  182, 18,  10,  127, 113, 136, 253,
    157, 24,  65,  125, 147, 216, 88,  44,  206, 254, 36,  175, 222, 184, 54,  200, 161, 128, 166,
    153, 152, 168, 47,  14,  129, 101, 115, 228, 194, 162, 138, 212, 225, 17,  208, 8,   139, 42,
    242, 237, 154, 100, 63,  193, 108, 249, 236};

namespace {
constexpr bool tablesAreInverse() {
  for (int b = 0; b < 256; ++b) {
    if (kPermuteDecode[kPermuteEncode[b]] != b) return false;
  }
  return true;
}
static_assert(tablesAreInverse(), "the permutative encoding tables must be inverse permutations");
}  // namespace

namespace {
// Slicing-by-8 tables: kSlices[k][b] is the CRC step of byte b followed by k zero bytes, so
// that eight bytes are folded in with eight lookups instead of eight dependent steps.
constexpr std::array<std::array<std::uint32_t, 256>, 8> makeSlices() {
  std::array<std::array<std::uint32_t, 256>, 8> t{};
  t[0] = detail::kCrcTable;
  for (std::size_t k = 1; k < 8; ++k) {
    for (std::size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  }
  return t;
}
constexpr auto kSlices = makeSlices();
}  // namespace

std::uint32_t computeCrc(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
  const std::uint8_t* p = bytes.data();
  std::size_t n = bytes.size();
  for (; n >= 8; n -= 8, p += 8) {
    const std::uint32_t lo = crc ^ load32(p);
    crc = kSlices[7][lo & 0xFF] ^ kSlices[6][(lo >> 8) & 0xFF] ^ kSlices[5][(lo >> 16) & 0xFF] ^
          kSlices[4][lo >> 24] ^ kSlices[3][p[4]] ^ kSlices[2][p[5]] ^ kSlices[1][p[6]] ^
          kSlices[0][p[7]];
  }
  for (; n > 0; --n, ++p) crc = detail::kCrcTable[(crc ^ *p) & 0xFF] ^ (crc >> 8);
  return crc;
}

void permuteEncode(std::span<std::uint8_t> bytes) {
  for (std::uint8_t& b : bytes) b = kPermuteEncode[b];
}

void permuteDecode(std::span<std::uint8_t> bytes) {
  for (std::uint8_t& b : bytes) b = kPermuteDecode[b];
}

}  // namespace mailferry::pst::format
