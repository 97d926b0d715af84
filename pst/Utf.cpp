// The engine's UTF-8 / UTF-16 conversions, with an SSE2 path for runs of ASCII.
#include "pst/Utf.h"

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace mailferry::pst {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Where decoded UTF-16 code units go: a char16_t array, or little-endian bytes. `bytes()` is
// where the next unit starts, for the widening of ASCII runs below; the machines with that
// path store char16_t little-endian, so both outputs take the same bytes.
struct UnitsOut {
  char16_t* p;
  void put(char16_t u) { *p++ = u; }
  void* bytes() const { return p; }
  void skip(std::size_t units) { p += units; }
};
struct LeBytesOut {
  std::uint8_t* p;
  void put(char16_t u) {
    p[0] = static_cast<std::uint8_t>(u);
    p[1] = static_cast<std::uint8_t>(u >> 8);
    p += 2;
  }
  void* bytes() const { return p; }
  void skip(std::size_t units) { p += 2 * units; }
};

// Widens the ASCII run at the start of `in` (up to `n` bytes), sixteen bytes at a time, into
// `out`; returns how many bytes it took (a multiple of 16, stopping before any non-ASCII).
template <typename Out>
std::size_t widenAscii(const unsigned char* in, std::size_t n, Out& out) {
  std::size_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    if (_mm_movemask_epi8(chunk) != 0) break;
    auto* to = static_cast<__m128i*>(out.bytes());
    _mm_storeu_si128(to, _mm_unpacklo_epi8(chunk, zero));
    _mm_storeu_si128(to + 1, _mm_unpackhi_epi8(chunk, zero));
    out.skip(16);
  }
#else
  (void)in, (void)n, (void)out;
#endif
  return i;
}

// Decodes UTF-8 into `out`, which must have room for one unit per input byte (no sequence
// yields more units than it has bytes). Runs of ASCII, the common case of mail text, are
// widened sixteen or eight bytes at a time. A truncated or broken sequence is replaced once and
// decoding resumes at the first byte that is not a continuation of it, so no valid character is
// swallowed.
template <typename Out>
void decodeUtf8(std::string_view utf8, Out& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    i += widenAscii(p + i, n - i, out);
    while (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (word & 0x8080808080808080ull) break;
      for (int k = 0; k < 8; ++k) out.put(static_cast<char16_t>(p[i + k]));
      i += 8;
    }
    if (i >= n) break;
    const unsigned char c = p[i];
    char32_t cp;
    std::size_t len;
    char32_t min;
    if (c < 0x80) {
      out.put(c);
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F, len = 2, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F, len = 3, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07, len = 4, min = 0x10000;
    } else {
      out.put(static_cast<char16_t>(kReplacement));
      ++i;
      continue;
    }
    std::size_t k = 1;
    while (k < len && i + k < n && (p[i + k] & 0xC0) == 0x80) {
      cp = (cp << 6) | (p[i + k] & 0x3F);
      ++k;
    }
    if (k < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.put(static_cast<char16_t>(kReplacement));
      i += k;
      continue;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.put(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.put(static_cast<char16_t>(cp));
    }
  }
}

}  // namespace

std::size_t utf8ToUtf16Le(std::string_view utf8, std::uint8_t* out) {
  LeBytesOut le{out};
  decodeUtf8(utf8, le);
  return static_cast<std::size_t>(le.p - out);
}

void appendUtf16Le(std::vector<std::uint8_t>& out, std::u16string_view text) {
  const std::size_t at = out.size();
  out.resize(at + text.size() * 2);
  LeBytesOut le{out.data() + at};
  for (char16_t c : text) le.put(c);
}

std::u16string toUtf16(std::string_view utf8) {
  std::u16string out(utf8.size(), u'\0');
  UnitsOut units{out.data()};
  decodeUtf8(utf8, units);
  out.resize(static_cast<std::size_t>(units.p - out.data()));
  return out;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string toUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;  // a lone surrogate
    }
    appendUtf8(out, cp);
  }
  return out;
}

}  // namespace mailferry::pst
