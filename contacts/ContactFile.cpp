// Loading and reading one Windows Contacts file.
#include "contacts/ContactFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "contacts/DisplayNode.h"

namespace mailferry::contacts {

namespace {

// The raw bytes of the file; the parser works on a copy it converts to UTF-8.
std::vector<char> readBytes(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw ContactFileError(path, "cannot be read: it is a folder");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ContactFileError(path, std::string("cannot be opened: ") + std::strerror(errno));
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad())
    throw ContactFileError(path, std::string("cannot be read: ") + std::strerror(errno));
  return bytes;
}

// Where a parse error lies. pugixml reports offsets in the buffer it parsed; for a UTF-8 file
// that is the file itself, so the position is given as line and column.
std::string describePosition(std::span<const char> bytes, pugi::xml_encoding encoding,
                             std::ptrdiff_t offset) {
  if (encoding != pugi::encoding_utf8 || offset < 0 ||
      static_cast<std::size_t>(offset) > bytes.size()) {
    return "at character offset " + std::to_string(offset);
  }
  std::size_t line = 1;
  std::size_t column = 1;
  for (std::ptrdiff_t i = 0; i < offset; ++i) {
    if (bytes[static_cast<std::size_t>(i)] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]) & 0xC0) != 0x80) {
      ++column;
    }
  }
  return "at line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string lowerFirst(std::string text) {
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] + 32);
  return text;
}

}  // namespace

ContactFileError::ContactFileError(std::filesystem::path path, const std::string& reason)
    : std::runtime_error(path.filename().string() + ": " + reason),
      path_(std::move(path)),
      reason_(reason) {}

void loadContactDocument(const std::filesystem::path& path, pugi::xml_document& document) {
  document.reset();
  const std::vector<char> bytes = readBytes(path);
  parseContactDocument(bytes, path, document);
}

void parseContactDocument(std::span<const char> bytes, const std::filesystem::path& path,
                          pugi::xml_document& document) {
  document.reset();

  // parse_doctype keeps a DOCTYPE as a node so that it can be refused below; pugixml itself
  // never expands entities beyond the five predefined ones and character references, and
  // never opens another file.
  const unsigned options = pugi::parse_default | pugi::parse_doctype;
  const pugi::xml_parse_result result =
      document.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_auto);
  if (!result) {
    const std::string where = describePosition(bytes, result.encoding, result.offset);
    document.reset();
    throw ContactFileError(
        path, "not well-formed XML " + where + ": " + lowerFirst(result.description()));
  }
  for (pugi::xml_node node : document.children()) {
    if (node.type() == pugi::node_doctype) {
      document.reset();
      throw ContactFileError(path,
                             "has a document type declaration (DOCTYPE); contact files carry "
                             "none, and DTDs and the entities they declare are not read");
    }
  }
}

ContactRecord readContactFile(const std::filesystem::path& path) {
  pugi::xml_document document;
  loadContactDocument(path, document);
  ContactRecord record;
  NodeWalkState state;
  DisplayNode(document.children(), record, state);
  return record;
}

}  // namespace mailferry::contacts
