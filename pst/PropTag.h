// MAPI property tags: a 16-bit id and a 16-bit type ([MS-OXCDATA] 2.11.1), and what the
// engine needs to know of each type, its size ([MS-PST] 2.3.3.3).
#pragma once

#include <cstddef>
#include <cstdint>

namespace mailferry::pst {

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

}  // namespace mailferry::pst
