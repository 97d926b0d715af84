// The recording message and attachment sinks of the import tests.
#include "tests/mime/RecordingSink.h"

#include <stdexcept>

namespace mailferry::mime::testing {

namespace {

const pst::PropValue& find(const std::map<pst::PropTag, pst::PropValue>& props, pst::PropTag tag) {
  const auto it = props.find(tag);
  if (it == props.end()) throw std::out_of_range("property not set");
  return it->second;
}

// Passes an embedded message's properties to the RecordedMessage its attachment owns.
class ForwardingSink : public pst::MessageSink {
 public:
  explicit ForwardingSink(RecordedMessage& target) : target_(target) {}
  void set(pst::PropTag tag, pst::PropValue value) override { target_.set(tag, std::move(value)); }
  void remove(pst::PropId id) override { target_.remove(id); }
  pst::PropTag namedTag(const pst::NamedProperty& name, pst::PropType type) override {
    return target_.namedTag(name, type);
  }
  void addRecipient(const Row& row) override { target_.addRecipient(row); }
  std::unique_ptr<pst::AttachmentSink> addAttachment() override { return target_.addAttachment(); }

 private:
  RecordedMessage& target_;
};

class RecordingAttachmentSink : public pst::AttachmentSink {
 public:
  RecordingAttachmentSink(RecordedAttachment& target, std::shared_ptr<NamedRegistry> registry)
      : target_(target), registry_(std::move(registry)) {}
  void set(pst::PropTag tag, pst::PropValue value) override {
    target_.props[tag] = std::move(value);
  }
  void appendData(std::span<const std::uint8_t> bytes) override {
    target_.data.insert(target_.data.end(), bytes.begin(), bytes.end());
    ++target_.chunks;
    target_.largestChunk = std::max(target_.largestChunk, bytes.size());
  }
  std::unique_ptr<pst::MessageSink> embeddedMessage() override {
    target_.embedded = std::make_unique<RecordedMessage>(registry_);
    return std::make_unique<ForwardingSink>(*target_.embedded);
  }
  void close() override { target_.closed = true; }

 private:
  RecordedAttachment& target_;
  std::shared_ptr<NamedRegistry> registry_;
};

}  // namespace

std::string RecordedAttachment::str(pst::PropTag tag) const {
  return find(props, tag).asUtf8();
}
std::int32_t RecordedAttachment::int32(pst::PropTag tag) const {
  return find(props, tag).asInt32();
}
bool RecordedAttachment::boolean(pst::PropTag tag) const {
  return find(props, tag).asBool();
}

void RecordedMessage::remove(pst::PropId id) {
  std::erase_if(props, [id](const auto& entry) { return pst::tagId(entry.first) == id; });
}

pst::PropTag RecordedMessage::namedTag(const pst::NamedProperty& name, pst::PropType type) {
  auto& names = registry_->names;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].first == name) return pst::makeTag(static_cast<pst::PropId>(0x8000 + i), type);
  }
  names.emplace_back(name, type);
  return pst::makeTag(static_cast<pst::PropId>(0x8000 + names.size() - 1), type);
}

std::unique_ptr<pst::AttachmentSink> RecordedMessage::addAttachment() {
  attachments.push_back(std::make_unique<RecordedAttachment>());
  return std::make_unique<RecordingAttachmentSink>(*attachments.back(), registry_);
}

std::string RecordedMessage::str(pst::PropTag tag) const {
  return find(props, tag).asUtf8();
}
std::int32_t RecordedMessage::int32(pst::PropTag tag) const {
  return find(props, tag).asInt32();
}
bool RecordedMessage::boolean(pst::PropTag tag) const {
  return find(props, tag).asBool();
}
pst::FileTime RecordedMessage::time(pst::PropTag tag) const {
  return static_cast<pst::FileTime>(find(props, tag).asInt64());
}
std::vector<std::uint8_t> RecordedMessage::bytes(pst::PropTag tag) const {
  const auto bytes = find(props, tag).bytes();
  return {bytes.begin(), bytes.end()};
}
std::string RecordedMessage::bytesText(pst::PropTag tag) const {
  const auto b = bytes(tag);
  return std::string(b.begin(), b.end());
}

pst::PropTag RecordedMessage::tagOf(const pst::NamedProperty& name) const {
  const auto& names = registry_->names;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].first == name)
      return pst::makeTag(static_cast<pst::PropId>(0x8000 + i), names[i].second);
  }
  return 0;
}

const pst::PropValue* RecordedMessage::rowValue(const Row& row, pst::PropTag tag) {
  for (const auto& [t, v] : row) {
    if (t == tag) return &v;
  }
  return nullptr;
}

std::string RecordedMessage::rowStr(const Row& row, pst::PropTag tag) {
  const pst::PropValue* v = rowValue(row, tag);
  return v != nullptr ? v->asUtf8() : std::string("<absent>");
}

}  // namespace mailferry::mime::testing
