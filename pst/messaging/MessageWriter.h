// One message or contact item written into a store: its property context, recipient table,
// attachment table, attachments and embedded messages ([MS-PST] 2.4.5, 2.4.6). Nothing of
// it is referenced by the store before save(); an item that is never saved leaves nothing.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "pst/PstError.h"
#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "pst/messaging/MessageSink.h"
#include "pst/messaging/RecipientTable.h"

namespace mailferry::pst {

class PstStore;
class AttachmentWriter;

class MessageWriter : public MessageSink {
 public:
  ~MessageWriter() override;
  MessageWriter(const MessageWriter&) = delete;
  MessageWriter& operator=(const MessageWriter&) = delete;

  void set(PropTag tag, PropValue value) override;
  void remove(PropId id) override;
  PropTag namedTag(const NamedProperty& name, PropType type) override;
  void addRecipient(const std::vector<std::pair<PropTag, PropValue>>& row) override;
  std::unique_ptr<AttachmentSink> addAttachment() override;

  const PropValue* find(PropId id) const { return props_.find(id); }

  // Writes the item and its row in the folder. May be called again after more changes: the
  // item keeps its node id and its row. Throws PstError for an embedded message (it is
  // complete when destroyed) or while one of its attachments is still open.
  Nid save();
  Nid nid() const { return nid_; }

 private:
  friend class PstStore;
  friend class AttachmentWriter;
  MessageWriter(PstStore& store, Nid folder);               // an item of a folder
  MessageWriter(PstStore& store, AttachmentWriter& owner);  // an embedded message

  struct Written {
    NodeRefs refs;
    std::uint64_t size = 0;
  };
  // Completes the required properties and writes the PC with all subnodes.
  Written writeNodes();
  void attachmentClosed(Nid attachment, NodeRefs refs, const Cells& row);
  void attachmentOpened() { ++openAttachments_; }
  void attachmentAbandoned() { --openAttachments_; }
  // Marks the item (the top-level one, for an embedded message) as having unsaved changes.
  void markPending();

  PstStore& store_;
  Nid folder_ = 0;
  AttachmentWriter* owner_ = nullptr;
  PropertyContextWriter props_;
  RecipientTable recipients_;
  std::optional<TableContextWriter> attachmentTable_;
  std::vector<SubnodeEntry> attachments_;
  int openAttachments_ = 0;
  Nid nid_ = 0;
  std::optional<std::int32_t> savedFlags_;
  bool pending_ = false;
};

}  // namespace mailferry::pst
