// libFuzzer target: any bytes as a contact file, parsed and walked into a record and mapped
// onto an item. Nothing may crash, hang or leak; errors are ContactFileError only.
#include <cstddef>
#include <cstdint>

#include "contacts/ContactFile.h"
#include "contacts/ContactRecordWriter.h"
#include "contacts/DisplayNode.h"
#include "tests/contacts/RecordingSink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mailferry::contacts;
  pugi::xml_document document;
  try {
    parseContactDocument({reinterpret_cast<const char*>(data), size}, "fuzz.contact", document);
  } catch (const ContactFileError&) {
    return 0;
  }
  ContactRecord record;
  NodeWalkState state;
  DisplayNode(document.children(), record, state);
  trimTextFields(record);
  testing::RecordingSink sink;
  writeContactRecord(record, sink);
  return 0;
}
