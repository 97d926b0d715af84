// Bodies of imported messages: charsets (UTF-8, ISO-8859-1, KOI8-R, Shift_JIS, GB2312),
// quoted-printable and base64, undeclared 8-bit text, the choice among alternatives, HTML kept
// in its own charset with its code page, and the text rendition of HTML-only mail.
#include <gtest/gtest.h>

#include "mime/MessageImporter.h"
#include "pst/KnownTags.h"
#include "tests/mime/MimeCorpus.h"
#include "tests/mime/RecordingSink.h"

namespace mailferry::mime {

namespace tags = pst::tags;
namespace {

using namespace mailferry::mime::testing;

std::unique_ptr<Imported> importText(const std::string& bytes, const std::string& name = "m.eml") {
  TempFolder folder;
  auto result = std::make_unique<Imported>();
  result->report = importMessageFile(folder.write(name, bytes), result->message);
  return result;
}

TEST(BodyCharsetTest, EachCharsetIsConvertedAndNamesItsCodePage) {
  struct Case {
    std::string name, message, subject, body;
    std::int32_t codePage;
  };
  const std::vector<Case> cases = {
      {"latin1 qp", latin1QuotedPrintable(), "café", "Un café crème, s'il vous plaît.\n", 28591},
      {"koi8-r base64", koi8rBase64(), "Привет", "Привет, мир\n", 20866},
      {"shift_jis 8bit", shiftJis8bit(), "日本語", "日本語のテキスト\n", 932},
      {"undeclared utf-8", undeclaredUtf8(), "8-bit UTF-8", "Über € 5\n", 65001},
      {"undeclared 1252", undeclared1252(), "8-bit 1252", "Über € 5\n", 1252},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto imported = importText(c.message);
    EXPECT_EQ(imported->message.str(tags::kSubject), c.subject);
    EXPECT_EQ(imported->message.str(tags::kBody), c.body);
    EXPECT_EQ(imported->message.int32(tags::kInternetCodepage), c.codePage);
    EXPECT_FALSE(imported->message.has(tags::kBodyHtml));
    EXPECT_TRUE(imported->report.warnings.empty());
  }
  EXPECT_EQ(importText(koi8rBase64())->message.str(tags::kSentRepresentingName), "Привет");
}

TEST(BodyCharsetTest, HtmlOnlyKeepsItsBytesAndGetsAStrippedTextBody) {
  const auto imported = importText(gb2312HtmlOnly());
  const std::string html = imported->message.bytesText(tags::kBodyHtml);
  EXPECT_NE(html.find("<p>\xD6\xD0\xCE\xC4\xD3\xCA\xBC\xFE</p>"),
            std::string::npos);  // still GB2312
  EXPECT_EQ(imported->message.int32(tags::kInternetCodepage), 936);
  EXPECT_EQ(imported->message.str(tags::kSubject), "中文邮件");
  EXPECT_EQ(imported->message.str(tags::kBody), "中文邮件\r\nA&B\u00A0中");
  EXPECT_TRUE(imported->report.htmlBody);
  EXPECT_TRUE(imported->report.textBody);
}

TEST(BodyCharsetTest, HtmlWithoutCharsetUsesItsMetaOrFallsBackToUtf8) {
  const std::string meta =
      "From: a@b.c\nSubject: meta\nContent-Type: text/html\n\n"
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
      "</head><body>\xCF\xF0\xE8\xE2\xE5\xF2</body></html>\n";
  auto imported = importText(meta);
  EXPECT_EQ(imported->message.int32(tags::kInternetCodepage), 1251);
  EXPECT_EQ(imported->message.str(tags::kBody), "Привет");

  const std::string unknown =
      "From: a@b.c\nSubject: unknown\nContent-Type: text/html; charset=x-no-such-charset\n\n"
      "<p>\xC3\xA9t\xC3\xA9</p>\n";
  imported = importText(unknown);
  // Re-encoded to UTF-8, which the code page then names.
  EXPECT_EQ(imported->message.int32(tags::kInternetCodepage), 65001);
  EXPECT_EQ(imported->message.bytesText(tags::kBodyHtml), "<p>\xC3\xA9t\xC3\xA9</p>\n");
  EXPECT_EQ(imported->message.str(tags::kBody), "été");
  bool named = false;
  for (const auto& warning : imported->report.warnings) {
    named = named || warning.find("unknown charset \"x-no-such-charset\"") != std::string::npos;
  }
  EXPECT_TRUE(named);
}

TEST(BodyChoiceTest, AlternativeKeepsHtmlAndPlainAndDropsNoFile) {
  const auto imported = importText(alternativeRelatedMixed());
  const auto& message = imported->message;
  // The line end before a boundary belongs to the boundary (RFC 2046 5.1.1).
  EXPECT_EQ(message.str(tags::kBody), "Plain version of the report.");
  EXPECT_EQ(message.bytesText(tags::kBodyHtml),
            "<html><body><p>HTML version</p><img src=\"cid:logo@example.com\"></body></html>");
  EXPECT_EQ(message.int32(tags::kInternetCodepage), 65001);
  EXPECT_EQ(message.attachments.size(), 4u);  // two images, the PDF, the text file
}

TEST(BodyChoiceTest, FirstTextPartIsTheBodyAndLaterOnesAreAttachments) {
  const std::string mixed =
      "From: a@b.c\nSubject: two texts\nContent-Type: multipart/mixed; boundary=x\n\n"
      "--x\nContent-Type: image/gif\n\nGIF89a\n"
      "--x\nContent-Type: text/plain\n\nfirst text\n"
      "--x\nContent-Type: text/html\n\n<b>second</b>\n"
      "--x\nContent-Type: text/plain\nContent-Disposition: attachment; "
      "filename=notes.txt\n\nthird\n"
      "--x--\n";
  const auto imported = importText(mixed);
  EXPECT_EQ(imported->message.str(tags::kBody), "first text");
  EXPECT_FALSE(imported->message.has(tags::kBodyHtml));
  ASSERT_EQ(imported->message.attachments.size(), 3u);
  EXPECT_EQ(imported->message.attachments[1]->str(tags::kAttachMimeTag), "text/html");
  EXPECT_EQ(imported->message.attachments[2]->str(tags::kAttachLongFilename), "notes.txt");
  EXPECT_EQ(imported->message.attachments[2]->dataText(), "third");
}

TEST(BodyChoiceTest, EnrichedTextBecomesHtml) {
  const auto imported = importText(
      "From: a@b.c\nSubject: enriched\nContent-Type: text/enriched\n\n<bold>Bold</bold> text\n");
  const std::string html = imported->message.bytesText(tags::kBodyHtml);
  EXPECT_NE(html.find("<b>Bold</b>"), std::string::npos);
  EXPECT_EQ(imported->message.int32(tags::kInternetCodepage), 65001);
}

}  // namespace
}  // namespace mailferry::mime
