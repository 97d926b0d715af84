// Property values: factories that lay out the on-disk bytes and accessors that read them back.
#include "pst/PropValue.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "pst/ByteOrder.h"
#include "pst/Utf.h"

namespace mailferry::pst {

namespace {

// [MS-PST] 2.3.3.4.2: ulCount, one 32-bit offset per value (from the start of the value), then
// the values back to back.
template <typename Range, typename AppendOne>
std::vector<std::uint8_t> layoutMultiVariable(const Range& values, AppendOne appendOne) {
  // Sized whole before the first write: growing it by one push_back and then a resize makes
  // GCC 12 at -O3 see a write past a 4-byte buffer that never happens (-Wstringop-overflow).
  std::vector<std::uint8_t> out(4 + 4 * values.size());
  writeLe(out, 0, values.size(), 4);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto offset = static_cast<std::uint32_t>(out.size());
    writeLe(out, 4 + 4 * i, offset, 4);
    appendOne(out, values[i]);
  }
  return out;
}

// The first `size` bytes of a value, as many as it has.
std::uint64_t leadingLe(std::span<const std::uint8_t> bytes, std::size_t size) {
  return readLe(bytes, 0, std::min(size, bytes.size()));
}

}  // namespace

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
  // At most 8 bytes, so always kept inline (going through of() makes GCC 12 at -O3 warn about
  // its heap branch, which a value this small never takes).
  InlinePropBytes small;
  writeLe(small.data, 0, v, size);
  small.size = static_cast<std::uint8_t>(size);
  PropValue value;
  value.type_ = type;
  value.value_ = small;
  return value;
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
  appendUtf16Le(b, v);
  return PropValue(PropType::Unicode, std::move(b));
}

PropValue PropValue::utf8(std::string_view v) {
  // Each byte of UTF-8 gives at most one UTF-16 unit.
  if (v.size() * 2 <= kInlinePropBytes) {
    std::array<std::uint8_t, kInlinePropBytes> units;
    return of(PropType::Unicode, std::span(units.data(), utf8ToUtf16Le(v, units.data())));
  }
  std::vector<std::uint8_t> b(v.size() * 2);
  b.resize(utf8ToUtf16Le(v, b.data()));
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
                                             const std::u16string& s) { appendUtf16Le(out, s); }));
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
      return static_cast<std::int16_t>(leadingLe(bytes(), 2));
    case PropType::Int32:
    case PropType::ErrorCode:
      return static_cast<std::int32_t>(leadingLe(bytes(), 4));
    case PropType::Boolean:
      return leadingLe(bytes(), 1) != 0 ? 1 : 0;
    default:
      throw std::logic_error("property value is not a 32-bit integer");
  }
}

std::int64_t PropValue::asInt64() const {
  switch (type_) {
    case PropType::Int64:
    case PropType::Currency:
    case PropType::SysTime:
      return static_cast<std::int64_t>(leadingLe(bytes(), 8));
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
  return leadingLe(bytes(), 1) != 0;
}

std::u16string PropValue::asString() const {
  const auto b = bytes();
  if (type_ == PropType::String8)
    return toUtf16(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
  if (type_ != PropType::Unicode) throw std::logic_error("property value is not a string");
  std::u16string out(b.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(le16(b, 2 * i));
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

}  // namespace mailferry::pst
