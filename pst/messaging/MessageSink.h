// What fills one message item: its properties, its recipient rows and its attachments, with
// attachment data streamed in pieces of any size. The messaging layer's message writer
// implements it on the PST file; the RFC 822 import (mime/) and the contact writer fill it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "pst/NamedProperty.h"
#include "pst/PropValue.h"

namespace mailferry::pst {

class AttachmentSink;

class MessageSink {
 public:
  virtual ~MessageSink() = default;

  virtual void set(PropTag tag, PropValue value) = 0;
  virtual void remove(PropId id) = 0;
  // The store-wide property id of a named property (registered in the name-to-id map on
  // first use), as a tag of the given type.
  virtual PropTag namedTag(const NamedProperty& name, PropType type) = 0;

  // One row of the recipient table (PidTagRecipientType, PidTagDisplayName, ...).
  virtual void addRecipient(const std::vector<std::pair<PropTag, PropValue>>& row) = 0;

  // A new attachment; it is complete when its sink is closed (or destroyed).
  virtual std::unique_ptr<AttachmentSink> addAttachment() = 0;
};

class AttachmentSink {
 public:
  virtual ~AttachmentSink() = default;

  virtual void set(PropTag tag, PropValue value) = 0;
  // PidTagAttachDataBinary, streamed: may be called any number of times.
  virtual void appendData(std::span<const std::uint8_t> bytes) = 0;
  // For PidTagAttachMethod 5: the embedded message, filled like any other message. It is
  // complete when the returned sink is destroyed.
  virtual std::unique_ptr<MessageSink> embeddedMessage() = 0;
  virtual void close() = 0;
};

}  // namespace mailferry::pst
