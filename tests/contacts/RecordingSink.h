// A MessageSink that keeps what is put on it, for checking the contact mapping without a PST
// file; named properties get ids from 0x8000 in order of first use, as in a store's map.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <tuple>

#include "pst/messaging/MessageSink.h"

namespace mailferry::contacts::testing {

class RecordingSink : public pst::MessageSink {
 public:
  void set(pst::PropTag tag, pst::PropValue value) override {
    props.erase(pst::tagId(tag));
    props.emplace(pst::tagId(tag), std::make_pair(tag, std::move(value)));
  }
  void remove(pst::PropId id) override { props.erase(id); }
  pst::PropTag namedTag(const pst::NamedProperty& name, pst::PropType type) override {
    auto [it, added] = names.try_emplace(name, static_cast<pst::PropId>(0x8000 + names.size()));
    return pst::makeTag(it->second, type);
  }
  void addRecipient(const std::vector<std::pair<pst::PropTag, pst::PropValue>>&) override {
    throw std::logic_error("a contact has no recipients");
  }
  std::unique_ptr<pst::AttachmentSink> addAttachment() override {
    throw std::logic_error("a contact has no attachments");
  }

  std::optional<pst::PropValue> get(pst::PropTag tag) const {
    auto it = props.find(pst::tagId(tag));
    if (it == props.end() || it->second.first != tag) return std::nullopt;
    return it->second.second;
  }
  std::optional<pst::PropId> namedId(const pst::NamedProperty& name) const {
    auto it = names.find(name);
    if (it == names.end()) return std::nullopt;
    return it->second;
  }
  std::optional<pst::PropValue> getNamed(const pst::NamedProperty& name, pst::PropType type) const {
    const auto id = namedId(name);
    if (!id) return std::nullopt;
    return get(pst::makeTag(*id, type));
  }

  std::map<pst::PropId, std::pair<pst::PropTag, pst::PropValue>> props;

 private:
  struct NameLess {
    bool operator()(const pst::NamedProperty& a, const pst::NamedProperty& b) const {
      return std::tie(a.propertySet, a.name) < std::tie(b.propertySet, b.name);
    }
  };
  std::map<pst::NamedProperty, pst::PropId, NameLess> names;
};

}  // namespace mailferry::contacts::testing
