// Messages that bend the rules, from tests/data/hostile-mail, read the way mail programs show
// them: what the recording sink receives for each class of damage.
#include <gtest/gtest.h>

#include "mime/MessageImporter.h"
#include "pst/KnownTags.h"
#include "tests/mime/RecordingSink.h"
#include "tests/support/TestData.h"

namespace mailferry::mime {

namespace tags = pst::tags;
namespace {

using namespace mailferry::mime::testing;

std::unique_ptr<Imported> importHostile(const std::string& name) {
  auto imported = std::make_unique<Imported>();
  imported->report = importMessageFile(mailferry::testing::testDataFile("hostile-mail/" + name),
                                       imported->message);
  return imported;
}

// Seconds since 1970 of a FILETIME.
std::int64_t unixOf(pst::FileTime time) {
  return static_cast<std::int64_t>(time / 10000000) - 11644473600;
}

TEST(TolerantImportTest, WhatComesBeforeTheFirstHeaderIsSkipped) {
  for (const char* name : {"blank-first-line.eml", "indented-first-header.eml",
                           "byte-order-mark.eml", "damaged-count.emlx"}) {
    SCOPED_TRACE(name);
    const auto imported = importHostile(name);
    const RecordedMessage& m = imported->message;
    EXPECT_NE(m.str(tags::kSentRepresentingEmailAddress), "");
    EXPECT_NE(m.str(tags::kSubject), "");
    EXPECT_EQ(m.recipients.size(), 1u);
    EXPECT_TRUE(m.has(tags::kBody));
  }
}

TEST(TolerantImportTest, OnlyContentFieldsIsStillAMessage) {
  const auto imported = importHostile("content-fields-only.eml");
  EXPECT_EQ(imported->message.str(tags::kBody),
            "Only Content fields above this line, and still a message: grüße.\n");
}

TEST(TolerantImportTest, HeadersWithoutABlankLineEndWhereTheBodyBegins) {
  const auto parts = importHostile("part-without-blank-line.eml");
  EXPECT_EQ(parts->message.str(tags::kBody), "The text follows its header directly.");
  ASSERT_EQ(parts->message.attachments.size(), 1u);
  EXPECT_EQ(parts->message.attachments[0]->data.size(), 32u);

  const auto top = importHostile("top-without-blank-line.eml");
  EXPECT_EQ(top->message.str(tags::kBody), "Plain version.");
  EXPECT_EQ(top->message.bytesText(tags::kBodyHtml),
            "<html><body><p>HTML version.</p></body></html>");
}

TEST(TolerantImportTest, TheFirstOfTwoFieldsCounts) {
  const auto imported = importHostile("repeated-fields.eml");
  const RecordedMessage& m = imported->message;
  EXPECT_EQ(m.str(tags::kSubject), "The first subject");
  EXPECT_EQ(m.str(tags::kSentRepresentingEmailAddress), "first@example.net");
  EXPECT_EQ(m.str(tags::kBody), "This text is what a mail reader shows.\n");
  EXPECT_TRUE(m.attachments.empty());
}

TEST(TolerantImportTest, NulBytesNoLongerEndTheText) {
  const auto imported = importHostile("nul-bytes.eml");
  EXPECT_EQ(imported->message.str(tags::kSubject), "Before after the NUL");
  EXPECT_EQ(imported->message.str(tags::kBody), "First half\uFFFDsecond half of the body.\n");
}

TEST(TolerantImportTest, ObsoleteZonesAreRead) {
  const std::int64_t sent = 1793698200;  // 2026-11-03 09:30:00 UTC
  for (const char* name : {"zone-lower-case.eml", "zone-three-digits.eml"}) {
    SCOPED_TRACE(name);
    const auto imported = importHostile(name);
    EXPECT_EQ(unixOf(imported->message.time(tags::kClientSubmitTime)), sent);
  }
}

TEST(TolerantImportTest, SplitWordsAndLooseAddressesAreRead) {
  const auto split = importHostile("split-encoded-words.eml");
  EXPECT_EQ(split->message.str(tags::kSubject), "Split encoded-words with padding: Grüße");
  EXPECT_EQ(split->message.str(tags::kSentRepresentingName), "Jürgen Müller");

  const auto loose = importHostile("address-without-brackets.eml");
  EXPECT_EQ(loose->message.str(tags::kSentRepresentingName), "Big Bug");
  EXPECT_EQ(loose->message.str(tags::kSentRepresentingEmailAddress), "bb@example.net");
}

TEST(TolerantImportTest, BrokenStructuresKeepTheirText) {
  const auto never = importHostile("boundary-never-appears.eml");
  EXPECT_EQ(never->message.str(tags::kBody),
            "This text stands where the parts should be.\nIt is all the message has.\n");
  EXPECT_TRUE(never->message.attachments.empty());

  const auto noSubtype = importHostile("no-subtype.eml");
  EXPECT_EQ(noSubtype->message.str(tags::kBody), "Shown as plain text, not as an attachment.\n");
  EXPECT_TRUE(noSubtype->message.attachments.empty());

  const auto closing = importHostile("malformed-closing-boundary.eml");
  ASSERT_EQ(closing->message.attachments.size(), 1u);
  EXPECT_EQ(closing->message.attachments[0]->dataText(), "abcdef");

  const auto forwarded = importHostile("base64-attached-message.eml");
  ASSERT_EQ(forwarded->message.attachments.size(), 1u);
  const auto& embedded = forwarded->message.attachments[0]->embedded;
  ASSERT_TRUE(embedded != nullptr);
  EXPECT_EQ(embedded->str(tags::kSubject), "The attached message");
  EXPECT_EQ(embedded->str(tags::kBody), "Text of the attached message.\n");

  // An attached message sent in base64 gets the repairs a file gets.
  const auto damaged = importHostile("combo-base64-message-damaged-inside.eml");
  ASSERT_EQ(damaged->message.attachments.size(), 1u);
  const auto& inner = damaged->message.attachments[0]->embedded;
  ASSERT_TRUE(inner != nullptr);
  EXPECT_EQ(inner->str(tags::kSubject), "Damaged inside base64");
  EXPECT_EQ(inner->str(tags::kSentRepresentingEmailAddress), "ida@example.net");
  EXPECT_EQ(inner->str(tags::kBody), "Inner plain text.");
}

TEST(TolerantImportTest, AttachmentsComeThroughWhole) {
  // Ten lines of 39 bytes and six zero bytes (which uuencode as spaces, stripped on the way),
  // then "tail" and two zero bytes.
  std::string expected;
  for (int line = 0; line < 10; ++line) {
    for (int i = 0; i < 39; ++i) expected += static_cast<char>((line * 7 + i) % 251);
    expected.append(6, '\0');
  }
  expected += std::string("tail\0\0", 6);
  const auto uu = importHostile("uuencode-stripped-spaces.eml");
  ASSERT_EQ(uu->message.attachments.size(), 1u);
  EXPECT_EQ(uu->message.attachments[0]->dataText(), expected);

  const auto files = importHostile("empty-attachment-and-bare-name.eml");
  ASSERT_EQ(files->message.attachments.size(), 2u);
  EXPECT_EQ(files->message.attachments[0]->str(tags::kAttachLongFilename), "empty.log");
  EXPECT_TRUE(files->message.attachments[0]->data.empty());
  EXPECT_EQ(files->message.attachments[1]->str(tags::kAttachLongFilename), "Makefile");
}

}  // namespace
}  // namespace mailferry::mime
