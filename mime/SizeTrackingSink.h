// MessageSink and AttachmentSink wrappers that pass everything on and count the bytes written,
// which gives PidTagMessageSize and PidTagAttachSize without holding any data.
#pragma once

#include <cstdint>
#include <memory>

#include "pst/messaging/MessageSink.h"

namespace mailferry::mime {

class SizeTrackingAttachment;

class SizeTrackingSink : public pst::MessageSink {
 public:
  explicit SizeTrackingSink(pst::MessageSink& target) : target_(target) {}

  void set(pst::PropTag tag, pst::PropValue value) override;
  void remove(pst::PropId id) override { target_.remove(id); }
  pst::PropTag namedTag(const pst::NamedProperty& name, pst::PropType type) override {
    return target_.namedTag(name, type);
  }
  void addRecipient(const std::vector<std::pair<pst::PropTag, pst::PropValue>>& row) override;
  std::unique_ptr<pst::AttachmentSink> addAttachment() override;
  std::unique_ptr<SizeTrackingAttachment> addTrackedAttachment();

  // Bytes of property data, recipient rows and attachments written so far.
  std::uint64_t bytes() const { return *bytes_; }

 private:
  pst::MessageSink& target_;
  std::shared_ptr<std::uint64_t> bytes_ = std::make_shared<std::uint64_t>(0);
};

class SizeTrackingAttachment : public pst::AttachmentSink {
 public:
  SizeTrackingAttachment(std::unique_ptr<pst::AttachmentSink> target,
                         std::shared_ptr<std::uint64_t> messageBytes)
      : target_(std::move(target)), messageBytes_(std::move(messageBytes)) {}

  void set(pst::PropTag tag, pst::PropValue value) override;
  void appendData(std::span<const std::uint8_t> bytes) override;
  // Not counted here: the import counts the embedded message with a SizeTrackingSink of its own
  // and adds its total through addEmbeddedBytes().
  std::unique_ptr<pst::MessageSink> embeddedMessage() override;
  void addEmbeddedBytes(std::uint64_t n) { count(n); }
  void close() override { target_->close(); }

  // Bytes of this attachment's properties, data and embedded message so far.
  std::uint64_t bytes() const { return *bytes_; }

 private:
  void count(std::uint64_t n) {
    *bytes_ += n;
    *messageBytes_ += n;
  }

  std::unique_ptr<pst::AttachmentSink> target_;
  std::shared_ptr<std::uint64_t> messageBytes_;
  std::shared_ptr<std::uint64_t> bytes_ = std::make_shared<std::uint64_t>(0);
};

}  // namespace mailferry::mime
