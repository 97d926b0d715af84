// Byte counting around the message and attachment sinks.
#include "mime/SizeTrackingSink.h"

namespace mailferry::mime {

void SizeTrackingSink::set(pst::PropTag tag, pst::PropValue value) {
  *bytes_ += value.size();
  target_.set(tag, std::move(value));
}

void SizeTrackingSink::addRecipient(
    const std::vector<std::pair<pst::PropTag, pst::PropValue>>& row) {
  for (const auto& [tag, value] : row) *bytes_ += value.size();
  target_.addRecipient(row);
}

std::unique_ptr<pst::AttachmentSink> SizeTrackingSink::addAttachment() {
  return addTrackedAttachment();
}

std::unique_ptr<SizeTrackingAttachment> SizeTrackingSink::addTrackedAttachment() {
  return std::make_unique<SizeTrackingAttachment>(target_.addAttachment(), bytes_);
}

void SizeTrackingAttachment::set(pst::PropTag tag, pst::PropValue value) {
  count(value.size());
  target_->set(tag, std::move(value));
}

void SizeTrackingAttachment::appendData(std::span<const std::uint8_t> bytes) {
  count(bytes.size());
  target_->appendData(bytes);
}

std::unique_ptr<pst::MessageSink> SizeTrackingAttachment::embeddedMessage() {
  return target_->embeddedMessage();
}

}  // namespace mailferry::mime
