// The property sets of the contact properties.
#include "store/ContactPropertySets.h"

namespace mailferry::store {

const pst::Guid& psetidAddress() {
  static const pst::Guid guid = pst::guidFromString("{00062004-0000-0000-C000-000000000046}");
  return guid;
}

const pst::Guid& psPublicStrings() {
  static const pst::Guid guid = pst::guidFromString("{00020329-0000-0000-C000-000000000046}");
  return guid;
}

pst::PropTag addressNamedTag(pst::MessageSink& item, std::uint32_t lid, pst::PropType type) {
  return item.namedTag(pst::NamedProperty{psetidAddress(), lid}, type);
}

}  // namespace mailferry::store
