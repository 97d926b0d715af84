// An item of a folder (a mail message or a contact) as the conversion runs handle it: filled
// by importing a message file or by putting contact properties by name, given properties
// through its MAPI object, and saved.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "pst/messaging/MessageWriter.h"
#include "store/Profile.h"

namespace mailferry::store {

class ContactPropertyWriter;
class Item;

// The value of one property set through the MAPI object: a 32-bit integer, a text, or a
// calendar date (absent when the source gave none).
using MapiValue =
    std::variant<std::int32_t, std::string, std::optional<std::chrono::year_month_day>>;

// The item's underlying MAPI object (MAPIOBJECT): where properties are set by tag.
class MapiObject {
 public:
  explicit MapiObject(Item& item) : item_(item) {}
  void setProperty(pst::PropTag tag, const MapiValue& value);
  // Commits the item's changes. The write itself waits for the item's Save, or for the end
  // of the item when no Save comes: either way the changes are stored, but an item that is
  // committed and then saved is written once, not twice.
  void saveChanges();

 private:
  Item& item_;
};

class Item {
 public:
  enum class Kind { Mail, Contact };
  static constexpr int kRfc822Format = 1024;

  Item(std::shared_ptr<OpenStore> store, pst::Nid folder, Kind kind);
  // Writes changes committed through the MAPI object and not saved since.
  ~Item();
  Item(const Item&) = delete;
  Item& operator=(const Item&) = delete;

  Kind kind() const { return kind_; }
  // Fills the item from a message file; only the RFC 822 format (1024) is known. Throws
  // StoreError naming the file and the cause when nothing usable could be read.
  void Import(const std::filesystem::path& path, int format);
  // Contact items: puts a property by its object-model name (FirstName, Email1Address, ...).
  void put(std::string_view propertyName, std::string_view value);
  MapiObject& MAPIOBJECT() { return mapiObject_; }
  // Writes the item into its folder; an item that is never saved leaves nothing behind.
  void Save();

  bool hasAttachments() const { return attachments_ > 0; }
  // What the imported file held that the item could not keep, one text each; empty when the
  // import kept everything (repairs that lost nothing are not named).
  const std::vector<std::string>& contentLost() const { return contentLost_; }

 private:
  friend class MapiObject;
  pst::MessageWriter& writer();
  void checkOpen() const;

  std::shared_ptr<OpenStore> store_;
  Kind kind_;
  std::unique_ptr<pst::MessageWriter> writer_;
  std::unique_ptr<ContactPropertyWriter> contact_;
  MapiObject mapiObject_{*this};
  int attachments_ = 0;
  std::vector<std::string> contentLost_;
  bool dirty_ = true;
  bool commitPending_ = false;
};

}  // namespace mailferry::store
