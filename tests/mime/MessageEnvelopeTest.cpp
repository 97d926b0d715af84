// Envelope of an imported message: subject, conversation, originator and sender groups,
// recipient rows and display strings, reply-to, dates, identifiers, importance and
// sensitivity, header block, class, flags and bookkeeping.
#include <gtest/gtest.h>

#include "mime/MessageImporter.h"
#include "pst/KnownTags.h"
#include "pst/messaging/OneOffEntryId.h"
#include "tests/mime/MimeCorpus.h"
#include "tests/mime/RecordingSink.h"

namespace mailferry::mime {

namespace tags = pst::tags;
namespace {

using namespace mailferry::mime::testing;

std::vector<std::uint8_t> bytesOf(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

class EnvelopeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto path = folder.write("Mail/Inbox/envelope.eml", envelopeMessage());
    report = importMessageFile(path, message);
  }
  TempFolder folder;
  RecordedMessage message;
  ImportReport report;
};

TEST_F(EnvelopeTest, SubjectIsDecodedAndTopicComesFromThreadTopic) {
  EXPECT_EQ(message.str(tags::kSubject), "Re: Grüße aus München");
  EXPECT_EQ(report.subject, "Re: Grüße aus München");
  EXPECT_EQ(message.str(tags::kConversationTopic), "Greetings from Munich");
  EXPECT_EQ(message.bytesText(tags::kConversationIndex), kThreadIndex);
  EXPECT_EQ(message.str(tags::kMessageClass), "IPM.Note");
}

TEST_F(EnvelopeTest, FromFillsSentRepresentingAndSenderFillsSender) {
  EXPECT_EQ(message.str(tags::kSentRepresentingName), "Jürgen Müller");
  EXPECT_EQ(message.str(tags::kSentRepresentingAddressType), "SMTP");
  EXPECT_EQ(message.str(tags::kSentRepresentingEmailAddress), "Juergen.Mueller@Example.com");
  EXPECT_EQ(message.str(tags::kSentRepresentingSmtpAddress), "Juergen.Mueller@Example.com");
  EXPECT_EQ(message.bytes(tags::kSentRepresentingSearchKey),
            bytesOf(std::string_view("SMTP:JUERGEN.MUELLER@EXAMPLE.COM\0", 33)));
  EXPECT_EQ(message.bytes(tags::kSentRepresentingEntryId),
            pst::makeOneOffEntryId("Jürgen Müller", "SMTP", "Juergen.Mueller@Example.com"));
  EXPECT_EQ(message.str(tags::kSenderName), "Office");
  EXPECT_EQ(message.str(tags::kSenderEmailAddress), "office@example.com");
  EXPECT_EQ(message.str(tags::kSenderSmtpAddress), "office@example.com");
  EXPECT_EQ(message.str(tags::kSenderAddressType), "SMTP");
  EXPECT_EQ(message.bytes(tags::kSenderSearchKey),
            bytesOf(std::string_view("SMTP:OFFICE@EXAMPLE.COM\0", 24)));
}

TEST_F(EnvelopeTest, RecipientRowsCarryEveryTemplateColumnInHeaderOrder) {
  struct Expected {
    std::int32_t type;
    std::string name, address;
  };
  const std::vector<Expected> expected = {{1, "Anna", "anna@example.org"},
                                          {1, "bob@example.org", "bob@example.org"},
                                          {2, "carol@example.org", "carol@example.org"},
                                          {2, "Dave D.", "dave@example.org"},
                                          {3, "eve@example.org", "eve@example.org"}};
  ASSERT_EQ(message.recipients.size(), expected.size());
  EXPECT_EQ(report.recipients, expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Row& row = message.recipients[i];
    SCOPED_TRACE(expected[i].address);
    EXPECT_EQ(RecordedMessage::rowValue(row, tags::kRecipientType)->asInt32(), expected[i].type);
    EXPECT_EQ(RecordedMessage::rowStr(row, tags::kDisplayName), expected[i].name);
    EXPECT_EQ(RecordedMessage::rowStr(row, tags::kAddressType), "SMTP");
    EXPECT_EQ(RecordedMessage::rowStr(row, tags::kEmailAddress), expected[i].address);
    EXPECT_EQ(RecordedMessage::rowStr(row, tags::kSmtpAddress), expected[i].address);
    EXPECT_EQ(RecordedMessage::rowStr(row, tags::k7BitDisplayName), expected[i].name);
    const auto entryId = RecordedMessage::rowValue(row, tags::kEntryId)->bytes();
    EXPECT_EQ(std::vector<std::uint8_t>(entryId.begin(), entryId.end()),
              pst::makeOneOffEntryId(expected[i].name, "SMTP", expected[i].address));
    std::string key = "SMTP:" + expected[i].address;
    for (auto& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    key += '\0';
    EXPECT_EQ(*RecordedMessage::rowValue(row, tags::kSearchKey),
              pst::PropValue::binary(bytesOf(key)));
    EXPECT_EQ(RecordedMessage::rowValue(row, tags::kDisplayType)->asInt32(), 0);
    EXPECT_EQ(RecordedMessage::rowValue(row, tags::kObjectType)->asInt32(), 6);
    EXPECT_TRUE(RecordedMessage::rowValue(row, tags::kResponsibility)->asBool());
    EXPECT_FALSE(RecordedMessage::rowValue(row, tags::kSendRichInfo)->asBool());
    EXPECT_EQ(RecordedMessage::rowValue(row, tags::kRowid)->asInt32(), static_cast<int>(i));
  }
  EXPECT_EQ(message.str(tags::kDisplayTo), "Anna; bob@example.org");
  EXPECT_EQ(message.str(tags::kDisplayCc), "carol@example.org; Dave D.");
  EXPECT_EQ(message.str(tags::kDisplayBcc), "eve@example.org");
}

TEST_F(EnvelopeTest, ReplyToBecomesAFlatEntryListAndNames) {
  EXPECT_EQ(message.str(tags::kReplyRecipientNames), "Replies;second@example.com");
  EXPECT_EQ(message.bytes(tags::kReplyRecipientEntries),
            pst::makeFlatEntryList(
                {pst::makeOneOffEntryId("Replies", "SMTP", "replies@example.com"),
                 pst::makeOneOffEntryId("second@example.com", "SMTP", "second@example.com")}));
}

TEST_F(EnvelopeTest, DatesIdentifiersImportanceAndSensitivity) {
  EXPECT_EQ(message.time(tags::kClientSubmitTime), pst::fileTimeFromUnix(1772525647));
  EXPECT_EQ(message.time(tags::kMessageDeliveryTime), pst::fileTimeFromUnix(1772529330));
  EXPECT_EQ(message.time(tags::kCreationTime), pst::fileTimeFromUnix(1772529330));
  EXPECT_EQ(message.time(tags::kLastModificationTime), pst::fileTimeFromUnix(1772529330));
  EXPECT_EQ(message.str(tags::kInternetMessageId), "<abc.123@example.com>");
  EXPECT_EQ(message.str(tags::kInReplyToId), "<prev.1@example.org>");
  EXPECT_EQ(message.str(tags::kInternetReferences), "<first.0@example.org> <prev.1@example.org>");
  EXPECT_EQ(message.int32(tags::kImportance), 2);  // Importance wins over X-Priority
  EXPECT_EQ(message.int32(tags::kPriority), 0);
  EXPECT_EQ(message.int32(tags::kSensitivity), 2);
}

TEST_F(EnvelopeTest, HeaderBlockKeepsHeadersButExchangeInternalOnes) {
  const std::string headers = message.str(tags::kTransportMessageHeaders);
  EXPECT_NE(headers.find("X-Mailer: Windows Live Mail 16.4\r\n"), std::string::npos);
  EXPECT_NE(headers.find("Received: from mx2.example.net"), std::string::npos);
  EXPECT_NE(headers.find("References: <first.0@example.org>\r\n\t<prev.1@example.org>\r\n"),
            std::string::npos);
  EXPECT_EQ(headers.find("X-MS-Exchange-Organization"), std::string::npos);
  EXPECT_EQ(headers.find("continuation"), std::string::npos);
}

TEST_F(EnvelopeTest, BodyFlagsAndBookkeeping) {
  EXPECT_EQ(
      message.str(tags::kBody),
      "Hallo Anna,\n\nviele Grüße aus München! Ein sehr langer Satz, der weich umbrochen ist.\n");
  EXPECT_EQ(message.int32(tags::kInternetCodepage), 65001);
  EXPECT_FALSE(message.has(tags::kBodyHtml));
  EXPECT_EQ(message.int32(tags::kMessageFlags), 0x1);  // read, no attachment, never unsent
  EXPECT_TRUE(message.attachments.empty());
  EXPECT_EQ(message.bytes(tags::kSearchKey).size(), 16u);
  EXPECT_EQ(message.int32(tags::kMessageStatus), 0);
  EXPECT_GT(message.int32(tags::kMessageSize), 1000);
  EXPECT_TRUE(report.warnings.empty()) << report.warnings.front();
}

TEST(EnvelopeEdgeTest, UndisclosedRecipientsAndMissingDateUseTheClock) {
  TempFolder folder;
  RecordedMessage message;
  ImportOptions options;
  options.now = [] { return pst::fileTimeFromUnix(1800000000); };
  const auto report =
      importMessageFile(folder.write("u.eml", undisclosedNoDate()), message, options);
  EXPECT_TRUE(message.recipients.empty());
  EXPECT_EQ(message.str(tags::kDisplayTo), "");
  EXPECT_EQ(message.str(tags::kDisplayCc), "");
  EXPECT_EQ(message.time(tags::kClientSubmitTime), pst::fileTimeFromUnix(1800000000));
  EXPECT_EQ(message.time(tags::kMessageDeliveryTime), pst::fileTimeFromUnix(1800000000));
  EXPECT_EQ(message.int32(tags::kSensitivity), 0);
  EXPECT_EQ(message.int32(tags::kImportance), 1);
  // Without a Sender header, both groups name the From address.
  EXPECT_EQ(message.str(tags::kSenderName), "List");
  EXPECT_EQ(message.str(tags::kSentRepresentingName), "List");
  EXPECT_EQ(message.str(tags::kConversationTopic), "No date here");
  ASSERT_FALSE(report.warnings.empty());
  EXPECT_NE(report.warnings.front().find("no Date"), std::string::npos);
}

TEST(EnvelopeEdgeTest, ImportanceHeadersInOrderOfPrecedence) {
  TempFolder folder;
  const std::pair<std::string, std::int32_t> cases[] = {
      {"X-Priority: 1 (Highest)\n", 2},        {"X-Priority: 5\n", 0},
      {"Priority: non-urgent\n", 0},           {"X-MSMail-Priority: Low\n", 0},
      {"Importance: low\nX-Priority: 1\n", 0}, {"", 1}};
  for (const auto& [header, expected] : cases) {
    RecordedMessage message;
    importMessageFile(folder.write("p.eml", "From: a@b.c\n" + header + "Subject: x\n\nbody\n"),
                      message);
    EXPECT_EQ(message.int32(tags::kImportance), expected) << header;
  }
}

}  // namespace
}  // namespace mailferry::mime
