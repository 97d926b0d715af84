// The generated corpus imported into a real PST by the engine, checked by pstcheck and read
// back by three independent readers (readpst, whose -e export is parsed again, pypff and
// pst-extractor): decoded subjects, senders, recipients, bodies, HTML, and every attachment's
// name and exact bytes must come back as the sources hold them.
#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <tuple>

#include "mime/MessageImporter.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/PstStore.h"
#include "tests/mime/MimeCorpus.h"
#include "pst/Utf.h"

namespace mailferry::mime {
namespace {

using namespace mailferry::mime::testing;

std::string run(const std::string& command, int& status) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
  const int raw = pclose(pipe.release());
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

std::string quoted(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}

std::string json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string sha256(const std::string& bytes) {
  std::unique_ptr<gchar, decltype(&g_free)> hex(
      g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()),
                                  bytes.size()),
      g_free);
  return hex.get();
}

struct ExpectedAttachment {
  std::string filename;
  std::string bytes;
  std::string embeddedSubject = {};  // for an attached message: only its subject is stated
};
struct ExpectedRecipient {
  std::string name, address, type;
};
struct ExpectedMail {
  std::string folder, subject, senderName, senderAddress, body;
  std::vector<ExpectedRecipient> recipients;
  std::vector<ExpectedAttachment> attachments;
  std::string html;  // stated when not empty
  // The From address when a Sender header names someone else: readpst shows From, the
  // other readers PidTagSenderName.
  std::string fromName, fromAddress;
  bool htmlInOtherCharset = false;
  bool attachmentsStated = true;
};

std::string lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// How one reader shows the sources. readpst reads its own .eml export, where an address
// without a display name stays bare (name ""), and the sender is the From header. pypff reads
// PidTagHtml as UTF-8 whatever its code page, so HTML in another charset is not stated for it.
std::vector<ExpectedMail> asSeenBy(std::vector<ExpectedMail> mails, const std::string& reader) {
  for (auto& m : mails) {
    if (reader == "readpst") {
      if (!m.fromAddress.empty()) {
        m.senderName = m.fromName;
        m.senderAddress = m.fromAddress;
      }
      if (m.senderName == m.senderAddress) m.senderName.clear();
      for (auto& r : m.recipients) {
        if (r.name == r.address) r.name.clear();
      }
      // readpst starts an attached message of its export with an mbox "From " line, after
      // which its headers no longer parse: the subject of an attached message is not stated.
      for (auto& a : m.attachments) {
        if (!a.embeddedSubject.empty()) a.embeddedSubject = "-";
      }
    }
    if (reader == "pypff" && m.htmlInOtherCharset) m.html.clear();
    std::sort(m.recipients.begin(), m.recipients.end(), [](const auto& a, const auto& b) {
      return std::tuple(a.type, lower(a.address), a.name) <
             std::tuple(b.type, lower(b.address), b.name);
    });
    std::sort(m.attachments.begin(), m.attachments.end(), [](const auto& a, const auto& b) {
      return std::tuple(a.filename, a.bytes.size()) < std::tuple(b.filename, b.bytes.size());
    });
  }
  return mails;
}

std::string expectationJson(std::vector<ExpectedMail> mails) {
  // The readers list items sorted by subject, then sender address.
  std::sort(mails.begin(), mails.end(), [](const auto& a, const auto& b) {
    return std::tuple(a.folder, lower(a.subject), lower(a.senderAddress)) <
           std::tuple(b.folder, lower(b.subject), lower(b.senderAddress));
  });
  std::map<std::string, std::vector<const ExpectedMail*>> byFolder;
  for (const auto& mail : mails) byFolder[mail.folder].push_back(&mail);
  std::string out = "{\"folders\": [";
  bool firstFolder = true;
  for (const auto& [folder, items] : byFolder) {
    out += std::string(firstFolder ? "" : ",") + "\n {\"path\": " + json(folder) +
           ", \"itemCount\": " + std::to_string(items.size()) + ", \"items\": [";
    firstFolder = false;
    for (std::size_t i = 0; i < items.size(); ++i) {
      const ExpectedMail& m = *items[i];
      out += std::string(i == 0 ? "" : ",") +
             "\n  {\"kind\": \"mail\", \"subject\": " + json(m.subject) +
             ", \"senderName\": " + json(m.senderName) +
             ", \"senderAddress\": " + json(m.senderAddress);
      if (!m.body.empty()) out += ", \"body\": " + json(m.body);
      if (!m.html.empty()) out += ", \"htmlBody\": " + json(m.html);
      out += ", \"recipients\": [";
      for (std::size_t r = 0; r < m.recipients.size(); ++r) {
        out += std::string(r == 0 ? "" : ", ") + "{\"name\": " + json(m.recipients[r].name) +
               ", \"address\": " + json(m.recipients[r].address) +
               ", \"type\": " + json(m.recipients[r].type) + "}";
      }
      out += "]";
      if (!m.attachmentsStated) {
        out += "}";
        continue;
      }
      out += ", \"attachments\": [";
      for (std::size_t a = 0; a < m.attachments.size(); ++a) {
        const auto& att = m.attachments[a];
        if (!att.embeddedSubject.empty()) {
          out += std::string(a == 0 ? "" : ", ") +
                 (att.embeddedSubject == "-"
                      ? std::string("{}")
                      : "{\"embeddedSubject\": " + json(att.embeddedSubject) + "}");
          continue;
        }
        out += std::string(a == 0 ? "" : ", ") + "{\"filename\": " + json(att.filename) +
               ", \"size\": " + std::to_string(att.bytes.size()) +
               ", \"sha256\": " + json(sha256(att.bytes)) + "}";
      }
      out += "]}";
    }
    out += "]}";
  }
  return out + "\n]}\n";
}

ExpectedMail mail(std::string folder, std::string subject, std::string senderName,
                  std::string senderAddress, std::string body,
                  std::vector<ExpectedRecipient> recipients,
                  std::vector<ExpectedAttachment> attachments = {}, std::string html = "") {
  ExpectedMail m;
  m.folder = std::move(folder);
  m.subject = std::move(subject);
  m.senderName = std::move(senderName);
  m.senderAddress = std::move(senderAddress);
  m.body = std::move(body);
  m.recipients = std::move(recipients);
  m.attachments = std::move(attachments);
  m.html = std::move(html);
  return m;
}

std::vector<ExpectedMail> expectedCorpus() {
  const std::vector<ExpectedAttachment> reportFiles = {
      {"ATT00001.png", kPngBytes},
      {"unused.png", kUnreferencedPngBytes},
      {"Quartalsbericht für März 2026.pdf", kPdfBytes},
      {"notizên.txt", "Notizen: \xC3\xA4\xC3\xB6\xC3\xBC"}};
  const std::string reportHtml =
      "<html><body><p>HTML version</p><img src=\"cid:logo@example.com\"></body></html>";
  std::vector<ExpectedMail> mails;
  mails.push_back(
      mail("Mail/Inbox", "Re: Grüße aus München", "Office", "office@example.com",
           "Hallo Anna,\n\nviele Grüße aus München! Ein sehr langer Satz, der weich umbrochen ist.",
           {{"Anna", "anna@example.org", "to"},
            {"bob@example.org", "bob@example.org", "to"},
            {"carol@example.org", "carol@example.org", "cc"},
            {"Dave D.", "dave@example.org", "cc"},
            {"eve@example.org", "eve@example.org", "bcc"}}));
  mails.back().fromName = "Jürgen Müller";
  mails.back().fromAddress = "Juergen.Mueller@Example.com";
  mails.push_back(mail("Mail/Inbox", "café", "pierre@example.fr", "pierre@example.fr",
                       "Un café crème, s'il vous plaît.",
                       {{"marie@example.fr", "marie@example.fr", "to"}}));
  mails.push_back(mail("Mail/Inbox", "Привет", "Привет", "ivan@example.ru", "Привет, мир",
                       {{"olga@example.ru", "olga@example.ru", "to"}}));
  mails.push_back(mail("Mail/Inbox", "日本語", "taro@example.jp", "taro@example.jp",
                       "日本語のテキスト", {{"hanako@example.jp", "hanako@example.jp", "to"}}));
  mails.push_back(mail("Mail/Inbox", "中文邮件", "li@example.cn", "li@example.cn",
                       "中文邮件\nA&B\u00A0中", {{"wang@example.cn", "wang@example.cn", "to"}}, {},
                       "<html><head><style>p{color:red}</style></head><body><p>中文邮件</p>"
                       "<p>A&amp;B&nbsp;&#x4E2D;</p></body></html>"));
  mails.back().htmlInOtherCharset = true;
  for (const char* folder : {"Mail/Projects", "Mail/Apple"}) {
    mails.push_back(mail(folder, "Report with pictures", "sender@example.com", "sender@example.com",
                         "Plain version of the report.",
                         {{"receiver@example.com", "receiver@example.com", "to"}}, reportFiles,
                         reportHtml));
  }
  mails.push_back(
      mail("Mail/Projects", "Rich text", "exchange@example.com", "exchange@example.com",
           "See the attachment.", {{"user@example.com", "user@example.com", "to"}},
           {{"winmail.dat", std::string("\x78\x9F\x3E\x22\x01\x00", 6) + binaryBytes(200, 5)}}));
  mails.push_back(mail("Mail/Projects", "Fwd: Fwd: Innermost", "outer@example.com",
                       "outer@example.com", "Two levels down.",
                       {{"reader@example.com", "reader@example.com", "to"}},
                       {{"", "", "Fwd: Innermost"}}));
  mails.push_back(mail("Mail/Sent Items", "Signed", "signer@example.com", "signer@example.com",
                       "This text is signed.", {{"user@example.com", "user@example.com", "to"}}));
  mails.back().attachmentsStated = false;  // how each reader shows the signed entity differs
  mails.push_back(mail("Mail/Sent Items", "No date here", "List", "list@example.com",
                       "Body without a date.", {}));
  mails.push_back(mail("Mail/Sent Items", "8-bit UTF-8", "a@example.com", "a@example.com",
                       "Über € 5", {{"b@example.com", "b@example.com", "to"}}));
  mails.push_back(mail("Mail/Sent Items", "8-bit 1252", "a@example.com", "a@example.com",
                       "Über € 5", {{"b@example.com", "b@example.com", "to"}}));
  return mails;
}

TEST(MimeReadersTest, CorpusReadsBackThroughThreeReaders) {
  const char* oracles = std::getenv("MAILFERRY_ORACLES");
  const char* bin = std::getenv("MAILFERRY_BIN_DIR");
  ASSERT_TRUE(oracles != nullptr && bin != nullptr) << "run through ctest";
  TempFolder folder;
  const auto sources = folder.path() / "sources";
  writeCorpus(sources);
  const auto pstPath = folder.path() / "corpus.pst";
  {
    auto store = pst::PstStore::create(pstPath, u"Mime corpus");
    store->validateIpmTree();
    std::map<std::string, pst::Nid> folders;
    for (const auto& file : corpusFiles()) {
      pst::Nid parent = store->ipmSubtree();
      std::string path;
      for (const auto& part : std::filesystem::path(file.relativePath).parent_path()) {
        path += (path.empty() ? "" : "/") + part.string();
        auto it = folders.find(path);
        if (it == folders.end()) {
          it = folders.emplace(path, store->addFolder(parent, pst::toUtf16(part.string()))).first;
        }
        parent = it->second;
      }
      auto writer = store->addMessage(parent);
      importMessageFile(sources / file.relativePath, *writer);
      writer->save();
    }
    store->close();
  }
  int status = 0;
  std::string out = run(std::string(bin) + "/pstcheck " + quoted(pstPath) + " 2>&1", status);
  EXPECT_EQ(status, 0) << out;

  // Each reader against the sources: with readpst this also checks what its -e export of every
  // message holds (bodies, attachments by name, size and SHA-256).
  for (const std::string reader : {"readpst", "pypff", "pst-extractor"}) {
    const auto expectPath =
        folder.write(reader + ".json", expectationJson(asSeenBy(expectedCorpus(), reader)));
    out = run(std::string(oracles) + "/compare-readers " + quoted(pstPath) + " --readers " +
                  reader + " --expect " + quoted(expectPath) + " 2>&1",
              status);
    EXPECT_EQ(status, 0) << reader << ":\n" << out;
  }
}

}  // namespace
}  // namespace mailferry::mime
