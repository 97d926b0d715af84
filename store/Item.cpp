// Items: message import, contact properties by name, properties by tag, save.
#include "store/Item.h"

#include "mime/MessageImporter.h"
#include "pst/KnownTags.h"
#include "pst/PstError.h"
#include "pst/ndb/Ids.h"
#include "store/ContactProperties.h"
#include "store/StoreError.h"

namespace mailferry::store {

namespace {

// The property value a MAPI value becomes under a tag of the given type.
pst::PropValue toPropValue(pst::PropTag tag, const MapiValue& value) {
  switch (pst::tagType(tag)) {
    case pst::PropType::Int32:
      if (auto number = std::get_if<std::int32_t>(&value)) return pst::PropValue::int32(*number);
      break;
    case pst::PropType::Unicode:
      if (auto text = std::get_if<std::string>(&value)) return pst::PropValue::utf8(*text);
      break;
    case pst::PropType::SysTime:
      if (auto date = std::get_if<std::optional<std::chrono::year_month_day>>(&value);
          date && *date) {
        return pst::PropValue::time(contactDateTime(**date));
      }
      break;
    default:
      break;
  }
  throw StoreError("the value does not fit property tag " + std::to_string(tag));
}

}  // namespace

void MapiObject::setProperty(pst::PropTag tag, const MapiValue& value) {
  item_.checkOpen();
  item_.dirty_ = true;
  if (item_.contact_) {
    // A contact's direct properties go through the contact writer, which also keeps what it
    // derives from them (the name prefix and generation take part in the full name).
    try {
      if (auto text = std::get_if<std::string>(&value)) {
        item_.contact_->putTag(tag, *text);
        return;
      }
      if (auto date = std::get_if<std::optional<std::chrono::year_month_day>>(&value)) {
        item_.contact_->putTag(tag, *date);
        return;
      }
    } catch (const UnknownContactProperty&) {
      // Not one of the contact writer's tags: set it as it is.
    }
  }
  if (auto date = std::get_if<std::optional<std::chrono::year_month_day>>(&value); date && !*date) {
    item_.writer().remove(pst::tagId(tag));
    return;
  }
  item_.writer().set(tag, toPropValue(tag, value));
}

void MapiObject::saveChanges() {
  item_.Save();
}

Item::Item(std::shared_ptr<OpenStore> store, pst::Nid folder, Kind kind)
    : store_(std::move(store)), kind_(kind) {
  checkOpen();
  writer_ = store_->file->addMessage(folder);
  writer_->set(pst::tags::kMessageClass,
               pst::PropValue::string(kind == Kind::Contact ? u"IPM.Contact" : u"IPM.Note"));
  if (kind == Kind::Contact) contact_ = std::make_unique<ContactPropertyWriter>(*writer_);
}

Item::~Item() {
  if (!commitPending_ || !dirty_ || !store_ || store_->closed) return;
  try {
    Save();
  } catch (const StoreError&) {
    // Nothing to report to from here; a run that needs to know calls Save itself.
  }
}

void Item::checkOpen() const {
  if (!store_ || store_->closed) throw StoreError("the store of this item is closed");
}

pst::MessageWriter& Item::writer() {
  checkOpen();
  return *writer_;
}

void Item::Import(const std::filesystem::path& path, int format) {
  if (format != kRfc822Format) {
    throw StoreError("unknown import format " + std::to_string(format));
  }
  checkOpen();
  dirty_ = true;
  try {
    const auto report = mime::importMessageFile(path, *writer_);
    attachments_ = static_cast<int>(report.attachments);
    contentLost_ = report.contentLost;
  } catch (const mime::ImportError& error) {
    throw StoreError(error.what());
  } catch (const pst::PstError& error) {
    throw StoreFailure(error);
  }
}

void Item::put(std::string_view propertyName, std::string_view value) {
  checkOpen();
  if (!contact_) throw StoreError("only contact items take properties by name");
  dirty_ = true;
  try {
    contact_->put(propertyName, value);
  } catch (const UnknownContactProperty& error) {
    throw StoreError(error.what());
  }
}

void Item::Save() {
  checkOpen();
  if (!dirty_) return;
  try {
    if (contact_) contact_->save();
    writer_->save();
  } catch (const pst::PstError& error) {
    throw StoreFailure(error);
  }
  dirty_ = false;
  commitPending_ = false;
}

}  // namespace mailferry::store
