// Property values in their on-disk form: sizes of the types, factories that lay out the bytes,
// accessors that read them back, and the engine's UTF-8 / UTF-16 conversions.
#include "pst/Property.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace mailferry::pst {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendLe(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(bytes));
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t readLe(std::span<const std::uint8_t> in, std::size_t bytes) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < bytes && i < in.size(); ++i) v |= std::uint64_t{in[i]} << (8 * i);
  return v;
}

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

void appendUtf16(std::vector<std::uint8_t>& out, std::u16string_view text) {
  const std::size_t at = out.size();
  out.resize(at + text.size() * 2);
  LeBytesOut le{out.data() + at};
  for (char16_t c : text) le.put(c);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// [MS-PST] 2.3.3.4.2: ulCount, one 32-bit offset per value (from the start of the value), then
// the values back to back.
template <typename Range, typename AppendOne>
std::vector<std::uint8_t> layoutMultiVariable(const Range& values, AppendOne appendOne) {
  std::vector<std::uint8_t> out;
  appendLe(out, values.size(), 4);
  const std::size_t tableEnd = 4 + 4 * values.size();
  out.resize(tableEnd);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto offset = static_cast<std::uint32_t>(out.size());
    for (int b = 0; b < 4; ++b) out[4 + 4 * i + b] = static_cast<std::uint8_t>(offset >> (8 * b));
    appendOne(out, values[i]);
  }
  return out;
}

}  // namespace

std::size_t fixedSize(PropType type) {
  switch (type) {
    case PropType::Boolean:
      return 1;
    case PropType::Int16:
      return 2;
    case PropType::Int32:
    case PropType::Float32:
    case PropType::ErrorCode:
      return 4;
    case PropType::Float64:
    case PropType::Currency:
    case PropType::AppTime:
    case PropType::Int64:
    case PropType::SysTime:
      return 8;
    case PropType::Guid:
      return 16;
    default:
      return 0;
  }
}

bool isVariableSize(PropType type) {
  return fixedSize(type) == 0;
}

bool isMultiValued(PropType type) {
  return (static_cast<std::uint16_t>(type) & 0x1000) != 0;
}

Guid guidFromString(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
      text[23] != '-') {
    throw std::invalid_argument("not a GUID: \"" + std::string(text) + "\"");
  }
  std::uint8_t canonical[16];  // in text order (big-endian fields)
  std::size_t pos = 0;
  for (std::uint8_t& byte : canonical) {
    if (text[pos] == '-') ++pos;
    const int hi = hexDigit(text[pos]);
    const int lo = hexDigit(text[pos + 1]);
    if (hi < 0 || lo < 0) throw std::invalid_argument("not a GUID: \"" + std::string(text) + "\"");
    byte = static_cast<std::uint8_t>(hi * 16 + lo);
    pos += 2;
  }
  // Data1, Data2 and Data3 are little-endian on disk; Data4 is a byte array.
  Guid g{};
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) g[i] = canonical[order[i]];
  return g;
}

std::string guidToString(const Guid& guid) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string out = "{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    const std::uint8_t b = guid[order[i]];
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  }
  out += '}';
  return out;
}

namespace {
constexpr std::int64_t kUnixEpochSeconds = 11644473600;  // 1601-01-01 to 1970-01-01
constexpr std::int64_t kTicksPerSecond = 10000000;
}  // namespace

FileTime fileTimeFromUnix(std::int64_t unixSeconds) {
  // Times before 1601 cannot be represented; times past year 30828 overflow the ticks.
  constexpr std::int64_t kMaxSeconds =
      static_cast<std::int64_t>(UINT64_MAX / kTicksPerSecond) - kUnixEpochSeconds;
  if (unixSeconds <= -kUnixEpochSeconds) return 0;
  if (unixSeconds > kMaxSeconds) unixSeconds = kMaxSeconds;
  return static_cast<FileTime>(unixSeconds + kUnixEpochSeconds) *
         static_cast<FileTime>(kTicksPerSecond);
}

std::int64_t unixFromFileTime(FileTime ft) {
  return static_cast<std::int64_t>(ft / kTicksPerSecond) - kUnixEpochSeconds;
}

PropValue::PropValue(PropType type, std::vector<std::uint8_t> bytes) : type_(type) {
  if (bytes.size() <= kInlinePropBytes) {
    *this = of(type, bytes);
  } else {
    value_ = std::move(bytes);
  }
}

PropValue::PropValue(PropType type, StreamedValue streamed) : type_(type), value_(streamed) {}

PropValue PropValue::of(PropType type, std::span<const std::uint8_t> bytes) {
  PropValue value;
  value.type_ = type;
  if (bytes.size() <= kInlinePropBytes) {
    InlinePropBytes small;
    std::copy(bytes.begin(), bytes.end(), small.data.begin());
    small.size = static_cast<std::uint8_t>(bytes.size());
    value.value_ = small;
  } else {
    value.value_ = std::vector<std::uint8_t>(bytes.begin(), bytes.end());
  }
  return value;
}

PropValue PropValue::littleEndian(PropType type, std::uint64_t v, std::size_t size) {
  std::array<std::uint8_t, 8> bytes{};
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
  return of(type, std::span(bytes.data(), size));
}

PropValue PropValue::int16(std::int16_t v) {
  return littleEndian(PropType::Int16, static_cast<std::uint16_t>(v), 2);
}

PropValue PropValue::int32(std::int32_t v) {
  return littleEndian(PropType::Int32, static_cast<std::uint32_t>(v), 4);
}

PropValue PropValue::int64(std::int64_t v) {
  return littleEndian(PropType::Int64, static_cast<std::uint64_t>(v), 8);
}

PropValue PropValue::float64(double v) {
  std::uint64_t bits;
  static_assert(sizeof bits == sizeof v);
  std::memcpy(&bits, &v, sizeof bits);
  return littleEndian(PropType::Float64, bits, 8);
}

PropValue PropValue::boolean(bool v) {
  return littleEndian(PropType::Boolean, v ? 1 : 0, 1);
}

PropValue PropValue::time(FileTime v) {
  return littleEndian(PropType::SysTime, v, 8);
}

PropValue PropValue::guid(const Guid& v) {
  return of(PropType::Guid, v);
}

PropValue PropValue::string(std::u16string_view v) {
  std::vector<std::uint8_t> b;
  appendUtf16(b, v);
  return PropValue(PropType::Unicode, std::move(b));
}

PropValue PropValue::utf8(std::string_view v) {
  // Each byte of UTF-8 gives at most one UTF-16 unit.
  if (v.size() * 2 <= kInlinePropBytes) {
    std::array<std::uint8_t, kInlinePropBytes> units;
    LeBytesOut out{units.data()};
    decodeUtf8(v, out);
    return of(PropType::Unicode,
              std::span(units.data(), static_cast<std::size_t>(out.p - units.data())));
  }
  std::vector<std::uint8_t> b(v.size() * 2);
  LeBytesOut out{b.data()};
  decodeUtf8(v, out);
  b.resize(static_cast<std::size_t>(out.p - b.data()));
  return PropValue(PropType::Unicode, std::move(b));
}

PropValue PropValue::binary(std::span<const std::uint8_t> v) {
  return of(PropType::Binary, v);
}

PropValue PropValue::binary(std::string_view v) {
  return of(PropType::Binary, std::span(reinterpret_cast<const std::uint8_t*>(v.data()), v.size()));
}

PropValue PropValue::multiInt32(std::span<const std::int32_t> v) {
  // [MS-PST] 2.3.3.4.1: fixed-size values back to back, the count follows from the size.
  std::vector<std::uint8_t> b;
  b.reserve(v.size() * 4);
  for (std::int32_t x : v) appendLe(b, static_cast<std::uint32_t>(x), 4);
  return PropValue(PropType::MultiInt32, std::move(b));
}

PropValue PropValue::multiString(const std::vector<std::u16string>& v) {
  return PropValue(PropType::MultiUnicode,
                   layoutMultiVariable(v, [](std::vector<std::uint8_t>& out,
                                             const std::u16string& s) { appendUtf16(out, s); }));
}

PropValue PropValue::multiBinary(const std::vector<std::vector<std::uint8_t>>& v) {
  return PropValue(PropType::MultiBinary,
                   layoutMultiVariable(
                       v, [](std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& s) {
                         out.insert(out.end(), s.begin(), s.end());
                       }));
}

std::uint64_t PropValue::size() const {
  if (isStreamed()) return streamed().size;
  return bytes().size();
}

std::int32_t PropValue::asInt32() const {
  switch (type_) {
    case PropType::Int16:
      return static_cast<std::int16_t>(readLe(bytes(), 2));
    case PropType::Int32:
    case PropType::ErrorCode:
      return static_cast<std::int32_t>(readLe(bytes(), 4));
    case PropType::Boolean:
      return readLe(bytes(), 1) != 0 ? 1 : 0;
    default:
      throw std::logic_error("property value is not a 32-bit integer");
  }
}

std::int64_t PropValue::asInt64() const {
  switch (type_) {
    case PropType::Int64:
    case PropType::Currency:
    case PropType::SysTime:
      return static_cast<std::int64_t>(readLe(bytes(), 8));
    case PropType::Int16:
    case PropType::Int32:
    case PropType::ErrorCode:
    case PropType::Boolean:
      return asInt32();
    default:
      throw std::logic_error("property value is not an integer");
  }
}

bool PropValue::asBool() const {
  if (type_ != PropType::Boolean) return asInt64() != 0;
  return readLe(bytes(), 1) != 0;
}

std::u16string PropValue::asString() const {
  const auto b = bytes();
  if (type_ == PropType::String8)
    return toUtf16(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
  if (type_ != PropType::Unicode) throw std::logic_error("property value is not a string");
  std::u16string out(b.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8));
  }
  return out;
}

std::string PropValue::asUtf8() const {
  return toUtf8(asString());
}

bool PropValue::operator==(const PropValue& other) const {
  if (type_ != other.type_ || isStreamed() != other.isStreamed()) return false;
  if (isStreamed())
    return streamed().bid == other.streamed().bid && streamed().size == other.streamed().size;
  return std::ranges::equal(bytes(), other.bytes());
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
