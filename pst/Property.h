// MAPI property tags and values as the engine stores them ([MS-PST] 2.3.3, [MS-OXCDATA] 2.11.1).
// A value keeps the exact bytes of its on-disk form, so that the LTP layer needs no knowledge
// of types beyond their sizes; large values written ahead through a data stream are referred to
// by their data tree instead of being held in memory.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace mailferry::pst {

using Bid = std::uint64_t;

enum class PropType : std::uint16_t {
  Int16 = 0x0002,
  Int32 = 0x0003,
  Float32 = 0x0004,
  Float64 = 0x0005,
  Currency = 0x0006,
  AppTime = 0x0007,
  ErrorCode = 0x000A,
  Boolean = 0x000B,
  Object = 0x000D,
  Int64 = 0x0014,
  String8 = 0x001E,
  Unicode = 0x001F,
  SysTime = 0x0040,
  Guid = 0x0048,
  Binary = 0x0102,
  MultiInt16 = 0x1002,
  MultiInt32 = 0x1003,
  MultiInt64 = 0x1014,
  MultiString8 = 0x101E,
  MultiUnicode = 0x101F,
  MultiSysTime = 0x1040,
  MultiGuid = 0x1048,
  MultiBinary = 0x1102,
};

using PropTag = std::uint32_t;
using PropId = std::uint16_t;

constexpr PropTag makeTag(PropId id, PropType type) {
  return (static_cast<PropTag>(id) << 16) | static_cast<std::uint16_t>(type);
}
constexpr PropId tagId(PropTag tag) {
  return static_cast<PropId>(tag >> 16);
}
constexpr PropType tagType(PropTag tag) {
  return static_cast<PropType>(tag & 0xFFFF);
}

// Size of a fixed-size value in bytes, or 0 for variable-size types ([MS-PST] 2.3.3.3).
std::size_t fixedSize(PropType type);
bool isVariableSize(PropType type);
bool isMultiValued(PropType type);

using Guid = std::array<std::uint8_t, 16>;  // in its on-disk (little-endian fields) byte order

// Parses "{00062004-0000-0000-C000-000000000046}" or the same without braces.
Guid guidFromString(std::string_view text);
std::string guidToString(const Guid& guid);

// 100-nanosecond ticks since 1601-01-01 00:00 UTC.
using FileTime = std::uint64_t;
FileTime fileTimeFromUnix(std::int64_t unixSeconds);
std::int64_t unixFromFileTime(FileTime ft);

// A value that was streamed to the file ahead of the property context that names it: the
// root of its data tree and its size in bytes.
struct StreamedValue {
  Bid bid = 0;
  std::uint64_t size = 0;
};

// The bytes of a small property value, held in the PropValue itself: every fixed-size value
// (GUIDs included) and short strings and binaries. An item sets dozens of them and its table
// rows copy them, and a heap allocation for each cost more than writing them.
constexpr std::size_t kInlinePropBytes = 16;
struct InlinePropBytes {
  std::array<std::uint8_t, kInlinePropBytes> data{};
  std::uint8_t size = 0;
};

class PropValue {
 public:
  PropValue() = default;
  PropValue(PropType type, std::vector<std::uint8_t> bytes);
  PropValue(PropType type, StreamedValue streamed);

  static PropValue int16(std::int16_t v);
  static PropValue int32(std::int32_t v);
  static PropValue uint32(std::uint32_t v) { return int32(static_cast<std::int32_t>(v)); }
  static PropValue int64(std::int64_t v);
  static PropValue float64(double v);
  static PropValue boolean(bool v);
  static PropValue time(FileTime v);
  static PropValue guid(const Guid& v);
  static PropValue string(std::u16string_view v);  // PtypString, UTF-16LE, no terminator
  static PropValue utf8(std::string_view v);       // PtypString from UTF-8 text
  static PropValue binary(std::span<const std::uint8_t> v);
  static PropValue binary(std::string_view v);
  static PropValue multiInt32(std::span<const std::int32_t> v);
  static PropValue multiString(const std::vector<std::u16string>& v);
  static PropValue multiBinary(const std::vector<std::vector<std::uint8_t>>& v);

  PropType type() const { return type_; }
  bool isStreamed() const { return std::holds_alternative<StreamedValue>(value_); }
  const StreamedValue& streamed() const { return std::get<StreamedValue>(value_); }
  // The on-disk bytes of an in-memory value.
  std::span<const std::uint8_t> bytes() const {
    if (const auto* small = std::get_if<InlinePropBytes>(&value_))
      return {small->data.data(), small->size};
    return std::get<std::vector<std::uint8_t>>(value_);
  }
  std::uint64_t size() const;

  std::int32_t asInt32() const;
  std::int64_t asInt64() const;
  bool asBool() const;
  std::u16string asString() const;
  std::string asUtf8() const;

  bool operator==(const PropValue& other) const;

 private:
  static PropValue of(PropType type, std::span<const std::uint8_t> bytes);
  static PropValue littleEndian(PropType type, std::uint64_t value, std::size_t size);

  PropType type_ = PropType::Int32;
  std::variant<InlinePropBytes, std::vector<std::uint8_t>, StreamedValue> value_;
};

// A named property ([MS-OXPROPS], [MS-PST] 2.4.7): a property set and either a numeric id
// (LID) or a string name.
struct NamedProperty {
  Guid propertySet{};
  std::variant<std::uint32_t, std::u16string> name;
  bool operator==(const NamedProperty&) const = default;
};

// UTF-8 <-> UTF-16 for the engine's own strings (invalid input is replaced, never thrown on).
std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);
// Appends one code point as UTF-8; surrogates and values past U+10FFFF become U+FFFD.
void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace mailferry::pst
