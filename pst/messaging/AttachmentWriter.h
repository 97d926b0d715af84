// One attachment of a message being written ([MS-PST] 2.4.6.2): its property context, its
// data streamed block by block into the file, or its embedded message.
#pragma once

#include <exception>
#include <optional>

#include "pst/ltp/PropertyContext.h"
#include "pst/messaging/MessageSink.h"
#include "pst/ndb/NodeDatabase.h"

namespace mailferry::pst {

class MessageWriter;
class PstStore;

class AttachmentWriter : public AttachmentSink {
 public:
  AttachmentWriter(PstStore& store, MessageWriter& message);
  ~AttachmentWriter() override;

  void set(PropTag tag, PropValue value) override;
  void appendData(std::span<const std::uint8_t> bytes) override;
  std::unique_ptr<MessageSink> embeddedMessage() override;
  void close() override;

 private:
  friend class MessageWriter;
  // Called by the embedded message when it is complete, or with the error that stopped it.
  void embeddedWritten(Nid nid, NodeRefs refs, std::uint64_t size);
  void embeddedFailed(std::exception_ptr error);

  PstStore& store_;
  MessageWriter& message_;
  PropertyContextWriter props_;
  // Data up to one heap item stays here; beyond that it is streamed to the file.
  std::vector<std::uint8_t> pending_;
  std::optional<DataTreeWriter> stream_;
  bool hasData_ = false;
  bool embeddedOpen_ = false;
  std::optional<SubnodeEntry> embedded_;
  std::uint64_t embeddedSize_ = 0;
  std::exception_ptr embeddedError_;
  bool closed_ = false;
};

}  // namespace mailferry::pst
