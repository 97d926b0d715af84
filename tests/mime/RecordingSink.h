// A MessageSink that keeps everything the import writes (properties, named-property requests,
// recipient rows, attachments with their data chunks, embedded messages) for the tests to read.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mime/ImportReport.h"
#include "pst/NamedProperty.h"
#include "pst/PropValue.h"
#include "pst/messaging/MessageSink.h"

namespace mailferry::mime::testing {

using Row = std::vector<std::pair<pst::PropTag, pst::PropValue>>;

struct NamedRegistry {
  std::vector<std::pair<pst::NamedProperty, pst::PropType>> names;
};

class RecordedMessage;

struct RecordedAttachment {
  std::map<pst::PropTag, pst::PropValue> props;
  std::vector<std::uint8_t> data;
  std::size_t chunks = 0;
  std::size_t largestChunk = 0;
  std::unique_ptr<RecordedMessage> embedded;
  bool closed = false;

  bool has(pst::PropTag tag) const { return props.contains(tag); }
  std::string str(pst::PropTag tag) const;
  std::int32_t int32(pst::PropTag tag) const;
  bool boolean(pst::PropTag tag) const;
  std::string dataText() const { return std::string(data.begin(), data.end()); }
};

class RecordedMessage : public pst::MessageSink {
 public:
  explicit RecordedMessage(
      std::shared_ptr<NamedRegistry> registry = std::make_shared<NamedRegistry>())
      : registry_(std::move(registry)) {}

  void set(pst::PropTag tag, pst::PropValue value) override { props[tag] = std::move(value); }
  void remove(pst::PropId id) override;
  pst::PropTag namedTag(const pst::NamedProperty& name, pst::PropType type) override;
  void addRecipient(const Row& row) override { recipients.push_back(row); }
  std::unique_ptr<pst::AttachmentSink> addAttachment() override;

  bool has(pst::PropTag tag) const { return props.contains(tag); }
  std::string str(pst::PropTag tag) const;  // a string property as UTF-8
  std::int32_t int32(pst::PropTag tag) const;
  bool boolean(pst::PropTag tag) const;
  pst::FileTime time(pst::PropTag tag) const;
  std::vector<std::uint8_t> bytes(pst::PropTag tag) const;
  std::string bytesText(pst::PropTag tag) const;
  // The tag a named property got, or 0 when the import never asked for it.
  pst::PropTag tagOf(const pst::NamedProperty& name) const;

  static std::string rowStr(const Row& row, pst::PropTag tag);
  static const pst::PropValue* rowValue(const Row& row, pst::PropTag tag);

  std::map<pst::PropTag, pst::PropValue> props;
  std::vector<Row> recipients;
  std::vector<std::unique_ptr<RecordedAttachment>> attachments;

 private:
  std::shared_ptr<NamedRegistry> registry_;
};

// A message imported in a test: what the sink recorded and the import's report.
struct Imported {
  RecordedMessage message;
  ImportReport report;
};

}  // namespace mailferry::mime::testing
