// Property values as the engine stores them ([MS-PST] 2.3.3). A value keeps the exact bytes
// of its on-disk form, so that the LTP layer needs no knowledge of types beyond their sizes;
// large values written ahead through a data stream are referred to by their data tree
// instead of being held in memory.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "pst/FileTime.h"
#include "pst/Guid.h"
#include "pst/PropTag.h"
#include "pst/ndb/Ids.h"

namespace mailferry::pst {

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

}  // namespace mailferry::pst
