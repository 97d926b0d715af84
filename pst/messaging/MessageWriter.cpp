// One message or contact item written into a store ([MS-PST] 2.4.5).
#include "pst/messaging/MessageWriter.h"

#include <algorithm>
#include <chrono>
#include <random>

#include "pst/KnownTags.h"
#include "pst/PstError.h"
#include "pst/messaging/AttachmentWriter.h"
#include "pst/messaging/LargeValues.h"
#include "pst/messaging/PstStore.h"
#include "pst/messaging/RowCells.h"
#include "pst/messaging/StoreTemplates.h"

namespace mailferry::pst {

namespace {

bool isContentsColumn(PropTag tag) {
  const auto& columns = templates::contentsColumns();
  return std::any_of(columns.begin(), columns.end(),
                     [tag](PropTag c) { return tagId(c) == tagId(tag); });
}

FileTime now() {
  using namespace std::chrono;
  const auto ticks = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  return fileTimeFromUnix(ticks / 1000000) + static_cast<FileTime>(ticks % 1000000) * 10;
}

std::vector<std::uint8_t> randomBytes(std::size_t n) {
  thread_local std::mt19937_64 engine{std::random_device{}()};
  std::vector<std::uint8_t> out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(engine());
  return out;
}

}  // namespace

MessageWriter::MessageWriter(PstStore& store, Nid folder) : store_(store), folder_(folder) {}

MessageWriter::MessageWriter(PstStore& store, AttachmentWriter& owner)
    : store_(store), owner_(&owner) {}

MessageWriter::~MessageWriter() {
  if (owner_ == nullptr) {
    if (pending_) store_.itemPending(false);
    return;
  }
  // An embedded message is complete when its sink goes away; its attachment is told either way.
  try {
    const Written written = writeNodes();
    owner_->embeddedWritten(store_.db().allocateNid(NidType::NormalMessage), written.refs,
                            written.size);
  } catch (...) {
    owner_->embeddedFailed(std::current_exception());
  }
}

void MessageWriter::markPending() {
  if (owner_ != nullptr) {
    owner_->message_.markPending();
    return;
  }
  if (!pending_) {
    pending_ = true;
    store_.itemPending(true);
  }
}

void MessageWriter::set(PropTag tag, PropValue value) {
  markPending();
  // Cells of the contents table need the value itself, so those are never streamed ahead.
  if (!isContentsColumn(tag)) value = streamIfLarge(store_.db(), std::move(value));
  props_.set(tag, std::move(value));
}

void MessageWriter::remove(PropId id) {
  markPending();
  props_.remove(id);
}

PropTag MessageWriter::namedTag(const NamedProperty& name, PropType type) {
  return store_.namedTag(name, type);
}

void MessageWriter::addRecipient(const std::vector<std::pair<PropTag, PropValue>>& row) {
  markPending();
  recipients_.add(row, store_.nextRowVersion());
}

std::unique_ptr<AttachmentSink> MessageWriter::addAttachment() {
  markPending();
  return std::make_unique<AttachmentWriter>(store_, *this);
}

void MessageWriter::attachmentClosed(Nid attachment, NodeRefs refs, const Cells& row) {
  if (!attachmentTable_) attachmentTable_.emplace(templates::attachmentColumns());
  Cells cells = row;
  cells.emplace_back(tags::kLtpRowVer, PropValue::uint32(store_.nextRowVersion()));
  attachmentTable_->upsertRow(attachment, std::move(cells));
  attachments_.push_back({attachment, refs.data, refs.sub});
  --openAttachments_;
}

MessageWriter::Written MessageWriter::writeNodes() {
  NodeDatabase& db = store_.db();
  // [MS-PST] 2.4.5.1.1: the properties every message PC has.
  if (!props_.find(tagId(tags::kMessageClass)))
    props_.set(tags::kMessageClass, PropValue::utf8("IPM.Note"));
  const PropValue* flagsValue = props_.find(tagId(tags::kMessageFlags));
  std::int32_t flags = flagsValue ? flagsValue->asInt32() : tags::kMsgFlagRead;
  if (!attachments_.empty()) flags |= tags::kMsgFlagHasAttach;
  props_.set(tags::kMessageFlags, PropValue::int32(flags));
  if (!props_.find(tagId(tags::kMessageStatus)))
    props_.set(tags::kMessageStatus, PropValue::int32(0));
  const FileTime time = now();
  if (!props_.find(tagId(tags::kCreationTime)))
    props_.set(tags::kCreationTime, PropValue::time(time));
  if (!props_.find(tagId(tags::kLastModificationTime)))
    props_.set(tags::kLastModificationTime, PropValue::time(time));
  if (!props_.find(tagId(tags::kSearchKey))) {
    const auto key = randomBytes(16);
    props_.set(tags::kSearchKey, PropValue::binary(std::span<const std::uint8_t>(key)));
  }

  std::vector<SubnodeEntry> subnodes;
  const NodeRefs recipients = recipients_.write(db);
  subnodes.push_back({nids::kRecipientTable, recipients.data, recipients.sub});
  if (attachmentTable_) {
    const NodeRefs table = attachmentTable_->write(db);
    subnodes.push_back({nids::kAttachmentTable, table.data, table.sub});
    subnodes.insert(subnodes.end(), attachments_.begin(), attachments_.end());
  }

  // PidTagMessageSize is the on-disk size of the whole item (every leaf data block of the
  // node and its subnodes), which Outlook's repair tool checks.
  std::uint64_t size = 0;
  const NodeRefs refs = props_.writeWithNodeSize(db, subnodes, tags::kMessageSize, &size);
  return {refs, size};
}

Nid MessageWriter::save() {
  if (owner_ != nullptr)
    throw PstError(PstError::Kind::Misuse,
                   "an embedded message is saved with its attachment, not on its own");
  if (openAttachments_ > 0)
    throw PstError(PstError::Kind::Misuse, "an attachment of the message is still open");
  // Nothing changed since the last save: the file holds the item as it is. (A caller that sets
  // one property with a save and then saves, as the runs do, would otherwise write it twice.)
  if (nid_ != 0 && !pending_) return nid_;
  markPending();
  const Written written = writeNodes();
  NodeDatabase& db = store_.db();
  if (nid_ == 0) nid_ = db.allocateNid(NidType::NormalMessage);
  db.putNode(nid_, written.refs, folder_);
  const std::optional<std::int32_t> previous = savedFlags_;
  savedFlags_ = props_.find(tagId(tags::kMessageFlags))->asInt32();
  pending_ = false;
  store_.itemPending(false);
  store_.messageSaved(folder_, nid_, props_, previous);
  return nid_;
}

}  // namespace mailferry::pst
