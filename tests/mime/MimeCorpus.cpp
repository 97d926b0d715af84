// The generated message corpus of the mime tests.
#include "tests/mime/MimeCorpus.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace mailferry::mime::testing {

std::string base64(const std::string& bytes, std::size_t lineLength) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t column = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::uint32_t b0 = static_cast<unsigned char>(bytes[i]);
    const std::uint32_t b1 = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    const std::uint32_t b2 = i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
    const std::uint32_t v = (b0 << 16) | (b1 << 8) | b2;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[v & 63] : '=';
    column += 4;
    if (lineLength != 0 && column >= lineLength) {
      out += '\n';
      column = 0;
    }
  }
  if (column != 0) out += '\n';
  return out;
}

std::string binaryBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string out(size, '\0');
  for (auto& c : out) c = static_cast<char>(generator() & 0xFF);
  return out;
}

const std::string kPngBytes = std::string("\x89PNG\r\n\x1a\n", 8) + binaryBytes(700, 1);
const std::string kUnreferencedPngBytes = std::string("\x89PNG\r\n\x1a\n", 8) + binaryBytes(300, 2);
const std::string kThreadIndex = "\x01" + binaryBytes(21, 7);
const std::string kPdfBytes = "%PDF-1.4\n" + binaryBytes(5000, 3) + "\n%%EOF\n";

std::string envelopeMessage() {
  return std::string() +
         "Received: from mx2.example.net by mail.example.org; Tue, 3 Mar 2026 10:15:30 +0100\n"
         "Received: from client by mx2.example.net; Tue, 3 Mar 2026 10:15:00 +0100\n"
         "Return-Path: <jane@example.com>\n"
         "From: =?UTF-8?Q?J=C3=BCrgen_M=C3=BCller?= <Juergen.Mueller@Example.com>\n"
         "Sender: Office <office@example.com>\n"
         "Reply-To: Replies <replies@example.com>, second@example.com\n"
         "To: Anna <anna@example.org>, bob@example.org\n"
         "Cc: Team: carol@example.org, \"Dave D.\" <dave@example.org>;\n"
         "Bcc: eve@example.org\n"
         "Subject: =?UTF-8?Q?Re:_Gr=C3=BC=C3=9Fe_aus_M=C3=BCnchen?=\n"
         "Date: Tue, 3 Mar 2026 09:14:07 +0100\n"
         "Message-ID: <abc.123@example.com>\n"
         "In-Reply-To: <prev.1@example.org>\n"
         "References: <first.0@example.org>\n"
         "\t<prev.1@example.org>\n"
         "Thread-Topic: Greetings from Munich\n"
         "Thread-Index: " +
         base64(kThreadIndex, 0) +
         "Importance: High\n"
         "X-Priority: 5\n"
         "Sensitivity: Private\n"
         "X-MS-Exchange-Organization-AuthAs: Internal\n"
         "X-MS-Exchange-Organization-Extra: folded\n"
         " continuation\n"
         "X-Mailer: Windows Live Mail 16.4\n"
         "MIME-Version: 1.0\n"
         "Content-Type: text/plain; charset=utf-8\n"
         "Content-Transfer-Encoding: quoted-printable\n"
         "\n"
         "Hallo Anna,=0A=0Aviele Gr=C3=BC=C3=9Fe aus M=C3=BCnchen! Ein sehr langer =\n"
         "Satz, der weich umbrochen ist.\n";
}

std::string latin1QuotedPrintable() {
  return "From: pierre@example.fr\nTo: marie@example.fr\nSubject: =?ISO-8859-1?Q?caf=E9?=\n"
         "Date: Wed, 4 Mar 2026 08:00:00 +0000\nMIME-Version: 1.0\n"
         "Content-Type: text/plain; charset=ISO-8859-1\n"
         "Content-Transfer-Encoding: quoted-printable\n\n"
         "Un caf=E9 cr=E8me, s'il vous pla=EEt.\n";
}

std::string koi8rBase64() {
  // "Привет, мир" in KOI8-R
  const std::string body = "\xF0\xD2\xC9\xD7\xC5\xD4, \xCD\xC9\xD2\n";
  return "From: =?KOI8-R?B?8NLJ18XU?= <ivan@example.ru>\nTo: olga@example.ru\n"
         "Subject: =?KOI8-R?B?8NLJ18XU?=\nDate: Thu, 5 Mar 2026 12:00:00 +0300\n"
         "MIME-Version: 1.0\nContent-Type: text/plain; charset=KOI8-R\n"
         "Content-Transfer-Encoding: base64\n\n" +
         base64(body);
}

std::string shiftJis8bit() {
  // "日本語のテキスト" in Shift_JIS; the subject "日本語" encoded in RFC 2047 base64.
  const std::string body = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67\n";
  return "From: taro@example.jp\nTo: hanako@example.jp\nSubject: =?Shift_JIS?B?" +
         base64("\x93\xFA\x96\x7B\x8C\xEA", 0).substr(0, 8) +
         "?=\nDate: Fri, 6 Mar 2026 09:00:00 +0900\nMIME-Version: 1.0\n"
         "Content-Type: text/plain; charset=Shift_JIS\nContent-Transfer-Encoding: 8bit\n\n" +
         body;
}

std::string gb2312HtmlOnly() {
  // "中文邮件" in GB2312
  const std::string html =
      "<html><head><style>p{color:red}</style></head><body><p>\xD6\xD0\xCE\xC4"
      "\xD3\xCA\xBC\xFE</p><p>A&amp;B&nbsp;&#x4E2D;</p></body></html>";
  return "From: li@example.cn\nTo: wang@example.cn\nSubject: =?GB2312?B?1tDOxNPKvP4=?=\n"
         "Date: Sat, 7 Mar 2026 10:00:00 +0800\nMIME-Version: 1.0\n"
         "Content-Type: text/html; charset=GB2312\nContent-Transfer-Encoding: base64\n\n" +
         base64(html);
}

std::string alternativeRelatedMixed() {
  return "From: sender@example.com\nTo: receiver@example.com\nSubject: Report with pictures\n"
         "Date: Sun, 8 Mar 2026 11:00:00 +0000\nMIME-Version: 1.0\n"
         "Content-Type: multipart/mixed; boundary=\"outer\"\n\n"
         "This is a multi-part message in MIME format.\n"
         "--outer\n"
         "Content-Type: multipart/alternative; boundary=\"alt\"\n\n"
         "--alt\n"
         "Content-Type: text/plain; charset=us-ascii\n\n"
         "Plain version of the report.\n"
         "--alt\n"
         "Content-Type: multipart/related; boundary=\"rel\"; type=\"text/html\"\n\n"
         "--rel\n"
         "Content-Type: text/html; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n"
         "<html><body><p>HTML version</p><img src=3D\"cid:logo@example.com\"></body></html>\n"
         "--rel\n"
         "Content-Type: image/png\nContent-ID: <logo@example.com>\n"
         "Content-Transfer-Encoding: base64\nContent-Disposition: inline\n\n" +
         base64(kPngBytes) +
         "--rel\n"
         "Content-Type: image/png; name=\"unused.png\"\nContent-ID: <unused@example.com>\n"
         "Content-Transfer-Encoding: base64\n\n" +
         base64(kUnreferencedPngBytes) +
         "--rel--\n"
         "--alt--\n"
         "--outer\n"
         "Content-Type: application/pdf\n"
         "Content-Disposition: attachment;\n"
         " filename*=UTF-8''Quartalsbericht%20f%C3%BCr%20M%C3%A4rz%202026.pdf;\n"
         " creation-date=\"Mon, 2 Mar 2026 08:30:00 +0000\"\n"
         "Content-Transfer-Encoding: base64\n\n" +
         base64(kPdfBytes) +
         "--outer\n"
         "Content-Type: text/plain; charset=utf-8; name=\"=?UTF-8?B?bm90aXrDqm4udHh0?=\"\n"
         "Content-Disposition: attachment\n"
         "Content-Transfer-Encoding: 8bit\n\n"
         "Notizen: \xC3\xA4\xC3\xB6\xC3\xBC\n"
         "--outer--\n";
}

std::string nestedMessages() {
  const std::string innermost =
      "From: deep@example.com\nTo: middle@example.com\nSubject: Innermost\n"
      "Date: Mon, 9 Mar 2026 07:00:00 +0000\nMIME-Version: 1.0\n"
      "Content-Type: multipart/mixed; boundary=\"in2\"\n\n"
      "--in2\nContent-Type: text/plain\n\nThe innermost text.\n"
      "--in2\nContent-Type: application/octet-stream; name=\"data.bin\"\n"
      "Content-Transfer-Encoding: base64\n\n" +
      base64(binaryBytes(1000, 4)) + "--in2--\n";
  const std::string middle =
      "From: middle@example.com\nTo: outer@example.com\nSubject: Fwd: Innermost\n"
      "Date: Mon, 9 Mar 2026 08:00:00 +0000\nMIME-Version: 1.0\n"
      "Content-Type: multipart/mixed; boundary=\"in1\"\n\n"
      "--in1\nContent-Type: text/plain\n\nForwarding the message below.\n"
      "--in1\nContent-Type: message/rfc822\n\n" +
      innermost + "--in1--\n";
  return "From: outer@example.com\nTo: reader@example.com\nSubject: Fwd: Fwd: Innermost\n"
         "Date: Mon, 9 Mar 2026 09:00:00 +0000\nMIME-Version: 1.0\n"
         "Content-Type: multipart/mixed; boundary=\"out\"\n\n"
         "--out\nContent-Type: text/plain\n\nTwo levels down.\n"
         "--out\nContent-Type: message/rfc822\nContent-Disposition: attachment\n\n" +
         middle + "--out--\n";
}

std::string tnefMessage() {
  const std::string tnef = std::string("\x78\x9F\x3E\x22\x01\x00", 6) + binaryBytes(200, 5);
  return "From: exchange@example.com\nTo: user@example.com\nSubject: Rich text\n"
         "Date: Tue, 10 Mar 2026 10:00:00 +0000\nMIME-Version: 1.0\n"
         "Content-Type: multipart/mixed; boundary=\"b\"\n\n"
         "--b\nContent-Type: text/plain\n\nSee the attachment.\n"
         "--b\nContent-Type: application/ms-tnef\nContent-Transfer-Encoding: base64\n\n" +
         base64(tnef) + "--b--\n";
}

std::string smimeClearSigned() {
  return "From: signer@example.com\nTo: user@example.com\nSubject: Signed\n"
         "Date: Wed, 11 Mar 2026 10:00:00 +0000\nMIME-Version: 1.0\n"
         "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\";\n"
         " micalg=sha-256; boundary=\"sig\"\n\n"
         "--sig\nContent-Type: text/plain; charset=us-ascii\n\nThis text is signed.\n"
         "--sig\nContent-Type: application/pkcs7-signature; name=\"smime.p7s\"\n"
         "Content-Transfer-Encoding: base64\n\n" +
         base64(binaryBytes(300, 6)) + "--sig--\n";
}

std::string undisclosedNoDate() {
  return "From: \"List\" <list@example.com>\nTo: undisclosed-recipients:;\n"
         "Subject: No date here\n\nBody without a date.\n";
}

std::string undeclaredUtf8() {
  return "From: a@example.com\nTo: b@example.com\nSubject: 8-bit UTF-8\n"
         "Date: Thu, 12 Mar 2026 10:00:00 +0000\n\n\xC3\x9C"
         "ber \xE2\x82\xAC 5\n";
}

std::string undeclared1252() {
  return "From: a@example.com\nTo: b@example.com\nSubject: 8-bit 1252\n"
         "Date: Thu, 12 Mar 2026 10:00:00 +0000\n\n\xDC"
         "ber \x80 5\n";
}

std::string emlxOf(const std::string& message, long countAdjust) {
  return std::to_string(static_cast<long>(message.size()) + countAdjust) + "\n" + message +
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">\n<dict>\n\t<key>flags</key>\n\t<integer>8590195713</integer>\n"
         "</dict>\n</plist>\n";
}

std::vector<CorpusFile> corpusFiles() {
  return {
      {"Mail/Inbox/envelope.eml", envelopeMessage()},
      {"Mail/Inbox/latin1.eml", latin1QuotedPrintable()},
      {"Mail/Inbox/koi8r.eml", koi8rBase64()},
      {"Mail/Inbox/shiftjis.eml", shiftJis8bit()},
      {"Mail/Inbox/gb2312.eml", gb2312HtmlOnly()},
      {"Mail/Projects/report.eml", alternativeRelatedMixed()},
      {"Mail/Projects/nested.eml", nestedMessages()},
      {"Mail/Projects/tnef.eml", tnefMessage()},
      {"Mail/Sent Items/signed.eml", smimeClearSigned()},
      {"Mail/Sent Items/undisclosed.eml", undisclosedNoDate()},
      {"Mail/Sent Items/utf8.eml", undeclaredUtf8()},
      {"Mail/Sent Items/cp1252.eml", undeclared1252()},
      {"Mail/Apple/message.emlx", emlxOf(alternativeRelatedMixed())},
  };
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void writeCorpus(const std::filesystem::path& folder) {
  for (const auto& file : corpusFiles()) writeFile(folder / file.relativePath, file.bytes);
}

}  // namespace mailferry::mime::testing
