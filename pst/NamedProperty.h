// A named property ([MS-OXPROPS], [MS-PST] 2.4.7): a property set and either a numeric id
// (LID) or a string name.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "pst/Guid.h"

namespace mailferry::pst {

struct NamedProperty {
  Guid propertySet{};
  std::variant<std::uint32_t, std::u16string> name;
  bool operator==(const NamedProperty&) const = default;
};

}  // namespace mailferry::pst
