// The expectation file for compare-readers that describes a synthetic store.
#include "tests/pst-readers/ExpectedStore.h"

#include <fstream>
#include <vector>

#include "pst/Utf.h"

#include "tests/pst-readers/ReaderOracle.h"
#include "tools/pstgen/SyntheticContent.h"

namespace mailferry::pst::testing {

namespace {

std::string str(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string field(const std::string& name, const std::string& jsonValue) {
  return str(name) + ": " + jsonValue;
}

std::string attachmentSha(std::uint32_t index, std::uint64_t size,
                          const std::filesystem::path& dir) {
  const auto file = dir / ("attachment-" + std::to_string(index));
  {
    std::ofstream out(file, std::ios::binary);
    std::vector<std::uint8_t> chunk(1 << 16);
    for (std::uint64_t off = 0; off < size; off += chunk.size()) {
      const std::size_t n =
          static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - off));
      pstgen::attachmentBytes(index, off, std::span<std::uint8_t>(chunk.data(), n));
      out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(n));
    }
  }
  const std::string sha = sha256Hex(file);
  std::filesystem::remove(file);
  return sha;
}

std::string messageItem(std::uint32_t i, const pstgen::SyntheticOptions& o, ItemDetail detail,
                        const std::filesystem::path& scratch) {
  std::vector<std::string> f = {field("kind", str("mail")), field("messageClass", str("IPM.Note")),
                                field("subject", str(pstgen::messageSubject(i))),
                                field("senderName", str(pstgen::senderName(i))),
                                field("senderAddress", str(pstgen::senderAddress(i)))};
  if (detail == ItemDetail::Full) {
    std::string recipients, to, cc;
    for (const auto& r : pstgen::messageRecipients(i)) {
      recipients += (recipients.empty() ? "" : ", ") + std::string("{") +
                    field("name", str(r.name)) + ", " + field("address", str(r.address)) + ", " +
                    field("type", str(r.type == 1 ? "to" : "cc")) + "}";
      (r.type == 1 ? to : cc) = r.name;
    }
    f.push_back(field("displayTo", str(to)));
    f.push_back(field("displayCc", str(cc)));
    f.push_back(field("recipients", "[" + recipients + "]"));
    f.push_back(field("body", str(pstgen::plainBody(i, o.bodyKb))));
    f.push_back(field("htmlBody", str(pstgen::htmlBody(i, o.bodyKb))));
    std::string attachments;
    if (o.attachmentKb > 0) {
      const std::uint64_t size = std::uint64_t{o.attachmentKb} * 1024;
      attachments = "{" + field("filename", str(pstgen::attachmentName(i))) + ", " +
                    field("size", std::to_string(size));
      if (!scratch.empty())
        attachments += ", " + field("sha256", str(attachmentSha(i, size, scratch)));
      attachments += "}";
    }
    f.push_back(field("attachments", "[" + attachments + "]"));
  }
  std::string out = "{";
  for (std::size_t k = 0; k < f.size(); ++k) out += (k ? ", " : "") + f[k];
  return out + "}";
}

std::string contactItem(std::uint32_t i, ItemDetail detail) {
  const auto c = pstgen::contact(i);
  std::string fields = field("givenName", str(c.givenName)) + ", " +
                       field("surname", str(c.surname)) + ", " + field("email1", str(c.email));
  if (detail == ItemDetail::Full)
    fields += ", " + field("displayName", str(c.displayName)) + ", " +
              field("fileAs", str(c.fileAs)) + ", " + field("businessStreet", str(c.workStreet));
  return "{" + field("kind", str("contact")) + ", " + field("messageClass", str("IPM.Contact")) +
         ", " + field("contact", "{" + fields + "}") + "}";
}

}  // namespace

Expectation expectedStore(const pstgen::SyntheticOptions& o, ItemDetail detail,
                          const std::filesystem::path& scratch, std::uint32_t messagesUpTo) {
  struct FolderExpectation {
    std::string path;
    std::vector<std::string> items;
  };
  std::vector<FolderExpectation> folders = {
      {"Deleted Items", {}}, {"Outbox", {}}, {"Sent Items", {}}};
  std::vector<std::size_t> messageFolders;  // index into folders, per synthetic folder
  const std::uint32_t depth = std::max<std::uint32_t>(1, o.depth);
  std::vector<std::string> paths;
  for (std::uint32_t i = 0; i < o.folders; ++i) {
    const std::string name = pstgen::folderName(i);
    paths.push_back(i % depth == 0 ? name : paths.back() + "/" + name);
    messageFolders.push_back(folders.size());
    folders.push_back({paths.back(), {}});
  }
  if (o.folders == 0 && o.messages > 0) {
    messageFolders.push_back(folders.size());
    folders.push_back({pstgen::kDefaultMessageFolder, {}});
  }
  for (std::uint32_t i = 0; i < o.messages && i < messagesUpTo; ++i)
    folders[messageFolders[i % messageFolders.size()]].items.push_back(
        messageItem(i, o, detail, scratch));
  if (o.contacts > 0) {
    for (const char* name :
         {"Inbox", "Calendar", "Journal", "Notes", "Tasks", "Drafts", "Junk E-mail"})
      folders.push_back({name, {}});
    folders.push_back({"Contacts", {}});
    for (std::uint32_t i = 0; i < o.contacts; ++i)
      folders.back().items.push_back(contactItem(i, detail));
  }

  Expectation e;
  e.json = "{\n " + field("storeName", str(toUtf8(pstgen::kSyntheticStoreName))) +
           ",\n \"folders\": [\n";
  for (std::size_t k = 0; k < folders.size(); ++k) {
    const auto& f = folders[k];
    e.folderPaths.insert(f.path);
    e.json += "  {" + field("path", str(f.path)) + ", " +
              field("itemCount", std::to_string(f.items.size()));
    if (detail != ItemDetail::Counts) {
      e.json += ", \"items\": [";
      for (std::size_t n = 0; n < f.items.size(); ++n)
        e.json += (n ? ",\n   " : "\n   ") + f.items[n];
      e.json += "]";
    }
    e.json += k + 1 < folders.size() ? "},\n" : "}\n";
  }
  e.json += " ]\n}\n";
  return e;
}

void writeText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  out << text;
}

}  // namespace mailferry::pst::testing
