// Attachments of imported messages: file names (RFC 2231, RFC 2047, 8.3 short names), type,
// content id, inline images hidden only when the HTML shows them, exact bytes streamed in
// chunks, attached messages converted recursively, TNEF and S/MIME kept as files.
#include <gtest/gtest.h>

#include "mime/MessageImporter.h"
#include "pst/KnownTags.h"
#include "tests/mime/MimeCorpus.h"
#include "tests/mime/RecordingSink.h"

namespace mailferry::mime {

namespace tags = pst::tags;
namespace {

using namespace mailferry::mime::testing;

class AttachmentTest : public ::testing::Test {
 protected:
  ImportReport import(const std::string& bytes, RecordedMessage& message) {
    return importMessageFile(folder.write("a.eml", bytes), message);
  }
  TempFolder folder;
};

TEST_F(AttachmentTest, InlineImagesNamesTimesAndBytes) {
  RecordedMessage message;
  const auto report = import(alternativeRelatedMixed(), message);
  ASSERT_EQ(message.attachments.size(), 4u);
  EXPECT_EQ(report.attachments, 4u);
  EXPECT_EQ(message.int32(tags::kMessageFlags), 0x11);

  const auto& logo = *message.attachments[0];
  EXPECT_EQ(logo.dataText(), kPngBytes);
  EXPECT_EQ(logo.str(tags::kAttachMimeTag), "image/png");
  EXPECT_EQ(logo.str(tags::kAttachContentId), "logo@example.com");
  EXPECT_TRUE(logo.boolean(tags::kAttachmentHidden));
  EXPECT_EQ(logo.int32(tags::kAttachFlags), 0x4);
  EXPECT_EQ(logo.int32(tags::kRenderingPosition), -1);
  EXPECT_EQ(logo.int32(tags::kAttachMethod), 1);
  EXPECT_EQ(logo.str(tags::kAttachLongFilename), "ATT00001.png");
  EXPECT_TRUE(logo.closed);

  const auto& unused = *message.attachments[1];
  EXPECT_EQ(unused.dataText(), kUnreferencedPngBytes);
  EXPECT_FALSE(unused.boolean(tags::kAttachmentHidden));  // the HTML does not show it
  EXPECT_FALSE(unused.has(tags::kAttachFlags));
  EXPECT_EQ(unused.str(tags::kAttachLongFilename), "unused.png");
  EXPECT_EQ(unused.str(tags::kAttachFilename), "unused.png");

  const auto& pdf = *message.attachments[2];
  EXPECT_EQ(pdf.dataText(), kPdfBytes);
  EXPECT_EQ(pdf.str(tags::kAttachLongFilename), "Quartalsbericht für März 2026.pdf");
  EXPECT_EQ(pdf.str(tags::kAttachFilename), "QUARTA~1.PDF");
  EXPECT_EQ(pdf.str(tags::kAttachExtension), ".pdf");
  EXPECT_EQ(pdf.str(tags::kDisplayName), "Quartalsbericht für März 2026.pdf");
  EXPECT_FALSE(pdf.boolean(tags::kAttachmentHidden));
  EXPECT_GT(pdf.int32(tags::kAttachSize), static_cast<std::int32_t>(kPdfBytes.size()));
  ASSERT_TRUE(pdf.has(tags::kCreationTime));
  EXPECT_EQ(static_cast<pst::FileTime>(pdf.props.at(tags::kCreationTime).asInt64()),
            pst::fileTimeFromUnix(1772440200));

  const auto& notes = *message.attachments[3];
  EXPECT_EQ(notes.str(tags::kAttachLongFilename), "notizên.txt");  // RFC 2047 in a name
  EXPECT_EQ(notes.str(tags::kAttachFilename), "NOTIZ_~1.TXT");
  EXPECT_EQ(notes.str(tags::kTextAttachmentCharset), "utf-8");
  EXPECT_EQ(notes.dataText(), "Notizen: \xC3\xA4\xC3\xB6\xC3\xBC");  // bytes as sent
}

TEST_F(AttachmentTest, OnlyHiddenInlineImagesSetSmartNoAttach) {
  const std::string onlyInline =
      "From: a@b.c\nSubject: inline\nContent-Type: multipart/related; boundary=r\n\n"
      "--r\nContent-Type: text/html\n\n<img src=\"cid:pic\"><img src=\"cid:pic2\">\n"
      "--r\nContent-Type: image/gif\nContent-ID: <pic>\n\nGIF89a-1\n"
      "--r\nContent-Type: image/jpeg\nContent-Location: cid:pic2\nContent-ID: <pic2>\n\nJFIF\n"
      "--r--\n";
  RecordedMessage message;
  import(onlyInline, message);
  ASSERT_EQ(message.attachments.size(), 2u);
  EXPECT_TRUE(message.attachments[0]->boolean(tags::kAttachmentHidden));
  EXPECT_TRUE(message.attachments[1]->boolean(tags::kAttachmentHidden));
  const pst::PropTag smartNoAttach = message.tagOf(
      {pst::guidFromString(tags::kPsetidCommon), std::uint32_t{tags::kLidSmartNoAttach}});
  ASSERT_NE(smartNoAttach, 0u);
  EXPECT_TRUE(message.boolean(smartNoAttach));
  EXPECT_EQ(message.int32(tags::kMessageFlags), 0x11);  // still has attachments

  RecordedMessage withFile;
  import(alternativeRelatedMixed(), withFile);
  EXPECT_EQ(withFile.tagOf(
                {pst::guidFromString(tags::kPsetidCommon), std::uint32_t{tags::kLidSmartNoAttach}}),
            0u);
}

TEST_F(AttachmentTest, AttachedMessagesAreConvertedRecursively) {
  RecordedMessage message;
  const auto report = import(nestedMessages(), message);
  EXPECT_EQ(report.embeddedMessages, 2u);
  EXPECT_EQ(report.attachments, 3u);  // two attached messages and the innermost file
  ASSERT_EQ(message.attachments.size(), 1u);
  const auto& first = *message.attachments[0];
  EXPECT_EQ(first.int32(tags::kAttachMethod), 5);
  EXPECT_EQ(first.str(tags::kAttachMimeTag), "message/rfc822");
  EXPECT_EQ(first.str(tags::kDisplayName), "Fwd: Innermost");
  ASSERT_TRUE(first.embedded);
  const auto& middle = *first.embedded;
  EXPECT_EQ(middle.str(tags::kSubject), "Fwd: Innermost");
  EXPECT_EQ(middle.str(tags::kBody), "Forwarding the message below.");
  EXPECT_EQ(middle.str(tags::kSentRepresentingEmailAddress), "middle@example.com");
  ASSERT_EQ(middle.recipients.size(), 1u);
  EXPECT_EQ(middle.int32(tags::kMessageFlags), 0x11);
  ASSERT_EQ(middle.attachments.size(), 1u);
  ASSERT_TRUE(middle.attachments[0]->embedded);
  const auto& innermost = *middle.attachments[0]->embedded;
  EXPECT_EQ(innermost.str(tags::kSubject), "Innermost");
  EXPECT_EQ(innermost.str(tags::kBody), "The innermost text.");
  ASSERT_EQ(innermost.attachments.size(), 1u);
  EXPECT_EQ(innermost.attachments[0]->dataText(), binaryBytes(1000, 4));
  EXPECT_EQ(innermost.attachments[0]->str(tags::kAttachLongFilename), "data.bin");
  // The attached message's size counts what it holds.
  EXPECT_GT(first.int32(tags::kAttachSize), 1000);
  EXPECT_GT(message.int32(tags::kMessageSize), first.int32(tags::kAttachSize));
}

TEST_F(AttachmentTest, TnefIsKeptAsAFile) {
  RecordedMessage message;
  import(tnefMessage(), message);
  ASSERT_EQ(message.attachments.size(), 1u);
  const auto& tnef = *message.attachments[0];
  EXPECT_EQ(tnef.str(tags::kAttachLongFilename), "winmail.dat");
  EXPECT_EQ(tnef.str(tags::kAttachMimeTag), "application/octet-stream");
  EXPECT_EQ(tnef.data.size(), 206u);
  EXPECT_EQ(tnef.dataText().substr(0, 4), std::string("\x78\x9F\x3E\x22", 4));
}

TEST_F(AttachmentTest, ClearSignedMailKeepsItsTextAndTheWholeSignedEntity) {
  RecordedMessage message;
  import(smimeClearSigned(), message);
  EXPECT_EQ(message.str(tags::kMessageClass), "IPM.Note.SMIME.MultipartSigned");
  EXPECT_EQ(message.str(tags::kBody), "This text is signed.");
  ASSERT_EQ(message.attachments.size(), 1u);
  const auto& entity = *message.attachments[0];
  EXPECT_EQ(entity.str(tags::kAttachMimeTag), "multipart/signed");
  EXPECT_EQ(entity.str(tags::kAttachLongFilename), "smime.p7m");
  const std::string data = entity.dataText();
  EXPECT_EQ(data.rfind("Content-Type: multipart/signed", 0), 0u);
  EXPECT_NE(data.find("This text is signed."), std::string::npos);
  EXPECT_NE(data.find("application/pkcs7-signature"), std::string::npos);
}

TEST_F(AttachmentTest, OpaqueSmimeHasNoBodyAndKeepsItsContentType) {
  const std::string encrypted =
      "From: a@b.c\nSubject: secret\nMIME-Version: 1.0\n"
      "Content-Type: application/pkcs7-mime; smime-type=enveloped-data; name=smime.p7m\n"
      "Content-Transfer-Encoding: base64\n\n" +
      base64(binaryBytes(400, 8));
  RecordedMessage message;
  import(encrypted, message);
  EXPECT_EQ(message.str(tags::kMessageClass), "IPM.Note.SMIME");
  EXPECT_FALSE(message.has(tags::kBody));
  EXPECT_FALSE(message.has(tags::kBodyHtml));
  ASSERT_EQ(message.attachments.size(), 1u);
  EXPECT_EQ(message.attachments[0]->dataText(), binaryBytes(400, 8));
  const pst::PropTag contentType = message.tagOf(
      {pst::guidFromString(tags::kPsInternetHeaders), std::u16string(u"Content-Type")});
  ASSERT_NE(contentType, 0u);
  EXPECT_EQ(message.str(contentType).rfind("application/pkcs7-mime; smime-type=enveloped-data", 0),
            0u);
}

TEST_F(AttachmentTest, LargeAttachmentArrivesInBoundedChunks) {
  const std::string big = binaryBytes(3 * 1024 * 1024 + 17, 9);
  const std::string mail =
      "From: a@b.c\nSubject: big\nContent-Type: multipart/mixed; boundary=q\n\n"
      "--q\nContent-Type: text/plain\n\nsee attached\n"
      "--q\nContent-Type: application/zip; name=\"archive with a long name.zip\"\n"
      "Content-Transfer-Encoding: base64\n\n" +
      base64(big) + "--q--\n";
  RecordedMessage message;
  import(mail, message);
  ASSERT_EQ(message.attachments.size(), 1u);
  const auto& zip = *message.attachments[0];
  EXPECT_EQ(zip.dataText(), big);
  EXPECT_GT(zip.chunks, 10u);
  EXPECT_LE(zip.largestChunk, 64u * 1024u);
  EXPECT_EQ(zip.str(tags::kAttachFilename), "ARCHIV~1.ZIP");
}

TEST_F(AttachmentTest, ShortNamesStayUniqueWithinAMessage) {
  std::string mail = "From: a@b.c\nSubject: names\nContent-Type: multipart/mixed; boundary=n\n\n";
  for (int i = 0; i < 3; ++i) {
    mail +=
        "--n\nContent-Type: application/octet-stream\n"
        "Content-Disposition: attachment; filename=\"Quarterly report " +
        std::to_string(i) + ".xlsx\"\n\nx\n";
  }
  mail +=
      "--n\nContent-Type: application/octet-stream\n"
      "Content-Disposition: attachment; filename=\"a:b*c?.txt\"\n\ny\n--n--\n";
  RecordedMessage message;
  import(mail, message);
  ASSERT_EQ(message.attachments.size(), 4u);
  EXPECT_EQ(message.attachments[0]->str(tags::kAttachFilename), "QUARTE~1.XLS");
  EXPECT_EQ(message.attachments[1]->str(tags::kAttachFilename), "QUARTE~2.XLS");
  EXPECT_EQ(message.attachments[2]->str(tags::kAttachFilename), "QUARTE~3.XLS");
  EXPECT_EQ(message.attachments[3]->str(tags::kAttachLongFilename), "a_b_c_.txt");
}

}  // namespace
}  // namespace mailferry::mime
