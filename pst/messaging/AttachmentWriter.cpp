// One attachment of a message being written ([MS-PST] 2.4.6.2).
#include "pst/messaging/AttachmentWriter.h"

#include "pst/ByteOrder.h"
#include "pst/KnownTags.h"
#include "pst/PstError.h"
#include "pst/messaging/LargeValues.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/PstStore.h"
#include "pst/messaging/RowCells.h"
#include "pst/messaging/StoreTemplates.h"

namespace mailferry::pst {

AttachmentWriter::AttachmentWriter(PstStore& store, MessageWriter& message)
    : store_(store), message_(message) {
  message_.attachmentOpened();
}

AttachmentWriter::~AttachmentWriter() {
  if (closed_) return;
  try {
    close();
  } catch (...) {
    // close() already withdrew the attachment from its message.
  }
}

void AttachmentWriter::set(PropTag tag, PropValue value) {
  if (closed_) throw PstError(PstError::Kind::Misuse, "the attachment is closed");
  message_.markPending();
  props_.set(tag, streamIfLarge(store_.db(), std::move(value)));
}

void AttachmentWriter::appendData(std::span<const std::uint8_t> bytes) {
  if (closed_) throw PstError(PstError::Kind::Misuse, "the attachment is closed");
  message_.markPending();
  hasData_ = true;
  if (!stream_ && pending_.size() + bytes.size() <= kMaxHeapItem) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    return;
  }
  // Too large for the heap: the data goes to a stream of blocks, the caller's bytes straight
  // from its buffer (a decoded attachment can come in one piece of megabytes).
  if (!stream_) {
    stream_.emplace(store_.db().streamData());
    stream_->append(pending_);
    std::vector<std::uint8_t>().swap(pending_);
  }
  stream_->append(bytes);
}

std::unique_ptr<MessageSink> AttachmentWriter::embeddedMessage() {
  if (closed_) throw PstError(PstError::Kind::Misuse, "the attachment is closed");
  if (embeddedOpen_ || embedded_)
    throw PstError(PstError::Kind::Misuse, "the attachment has an embedded message already");
  embeddedOpen_ = true;
  return std::unique_ptr<MessageSink>(new MessageWriter(store_, *this));
}

void AttachmentWriter::embeddedWritten(Nid nid, NodeRefs refs, std::uint64_t size) {
  embedded_ = SubnodeEntry{nid, refs.data, refs.sub};
  embeddedSize_ = size;
  embeddedOpen_ = false;
}

void AttachmentWriter::embeddedFailed(std::exception_ptr error) {
  embeddedError_ = error;
  embeddedOpen_ = false;
}

namespace {

// An attachment by value (the method is set, or will default to it below) whose data was
// neither appended nor set.
bool isByValueWithoutData(const PropertyContextWriter& props) {
  const PropValue* method = props.find(tagId(tags::kAttachMethod));
  return (method == nullptr || method->asInt32() == tags::kAttachByValue) &&
         props.find(tagId(tags::kAttachDataBinary)) == nullptr;
}

}  // namespace

void AttachmentWriter::close() {
  if (closed_) return;
  closed_ = true;
  try {
    if (embeddedOpen_)
      throw PstError(PstError::Kind::Misuse,
                     "the embedded message of the attachment is still open");
    if (embeddedError_) std::rethrow_exception(embeddedError_);
    NodeDatabase& db = store_.db();
    if (stream_) {
      const std::uint64_t size = stream_->size();
      props_.set(tags::kAttachDataBinary,
                 PropValue(PropType::Binary, StreamedValue{stream_->finish(), size}));
      stream_.reset();
    } else if (hasData_ || (!embedded_ && isByValueWithoutData(props_))) {
      // A file attachment of zero bytes still has its data, empty: readers look for it to tell
      // what kind of attachment this is.
      props_.set(tags::kAttachDataBinary,
                 PropValue::binary(std::span<const std::uint8_t>(pending_)));
    }
    std::vector<SubnodeEntry> subnodes;
    if (embedded_) {
      // [MS-PST] 2.3.3.5: PtypObject = the subnode id and the size of the embedded message.
      std::vector<std::uint8_t> object(8);
      store32(object.data(), embedded_->nid);
      store32(object.data() + 4, static_cast<std::uint32_t>(embeddedSize_));
      props_.set(tags::kAttachDataObject, PropValue(PropType::Object, std::move(object)));
      if (!props_.find(tagId(tags::kAttachMethod)))
        props_.set(tags::kAttachMethod, PropValue::int32(tags::kAttachEmbeddedMessage));
      subnodes.push_back(*embedded_);
    }
    if (!props_.find(tagId(tags::kAttachMethod)))
      props_.set(tags::kAttachMethod, PropValue::int32(tags::kAttachByValue));
    if (!props_.find(tagId(tags::kRenderingPosition)))
      props_.set(tags::kRenderingPosition, PropValue::int32(-1));
    // PidTagAttachSize as Outlook counts it: the sizes of all the attachment's values, the
    // embedded message counted with its own size.
    props_.set(tags::kAttachSize, PropValue::int32(0));
    std::uint64_t attachSize = 0;
    for (const auto& [id, typed] : props_.properties())
      attachSize += typed.first == PropType::Object ? embeddedSize_ : typed.second.size();
    props_.set(tags::kAttachSize, PropValue::uint32(static_cast<std::uint32_t>(attachSize)));

    const Nid nid = db.allocateNid(NidType::Attachment);
    const NodeRefs refs = props_.write(db, subnodes);
    message_.attachmentClosed(nid, refs, cellsFor(templates::attachmentColumns(), props_));
    std::vector<std::uint8_t>().swap(pending_);
  } catch (...) {
    message_.attachmentAbandoned();
    throw;
  }
}

}  // namespace mailferry::pst
