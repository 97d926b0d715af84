// Sizes and kinds of the property types.
#include "pst/PropTag.h"

namespace mailferry::pst {

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

}  // namespace mailferry::pst
