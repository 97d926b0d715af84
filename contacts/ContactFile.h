// Loading one Windows Contacts file (".contact", XML) into a document for the reader, and
// reading it into a ContactRecord.
#pragma once

#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>

#include <pugixml.hpp>

#include "contacts/ContactRecord.h"

namespace mailferry::contacts {

// A contact file that could not be read: it does not exist or cannot be opened, it is not
// well-formed XML, or it carries a document type declaration. what() names the file and the
// reason, e.g. "Sample.contact: not well-formed XML at line 3, column 7: start-end tags
// mismatch".
class ContactFileError : public std::runtime_error {
 public:
  ContactFileError(std::filesystem::path path, const std::string& reason);
  const std::filesystem::path& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::filesystem::path path_;
  std::string reason_;
};

// Parses the file without validation. UTF-8 (with or without a byte-order mark) and UTF-16
// or UTF-32 with a byte-order mark are read; the text of the document is UTF-8 afterwards.
// A document type declaration is refused outright: no DTD is read, so no entity it declares
// can be expanded and no other file can be pulled in. Throws ContactFileError.
void loadContactDocument(const std::filesystem::path& path, pugi::xml_document& document);

// The same for the bytes of a file already in memory; path only names it in errors.
void parseContactDocument(std::span<const char> bytes, const std::filesystem::path& path,
                          pugi::xml_document& document);

// Loads the file and walks it with a fresh NodeWalkState into a cleared record. The text
// fields are as the file gave them (not trimmed). Throws ContactFileError.
//
// A file that cannot be read yields no contact at all: an empty contact would show in
// Outlook as a nameless entry that cannot be traced back to its file, and would be counted
// as converted. The run names the file and the reason in its end-of-run summary instead; the
// source file is left as it is, so nothing is lost.
ContactRecord readContactFile(const std::filesystem::path& path);

}  // namespace mailferry::contacts
