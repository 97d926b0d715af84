// The file forms the import accepts and the input it survives: .emlx framing with right and
// wrong byte counts, CRLF files, and bad input (missing, empty, not a message, truncated,
// broken encodings, absurd headers and lines, deep nesting) that must never crash or hang.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

#include "mime/MessageImporter.h"
#include "pst/KnownTags.h"
#include "tests/mime/MimeCorpus.h"
#include "tests/mime/RecordingSink.h"

namespace mailferry::mime {

namespace tags = pst::tags;
namespace {

using namespace mailferry::mime::testing;

bool anyContains(const std::vector<std::string>& texts, const std::string& text) {
  for (const auto& w : texts) {
    if (w.find(text) != std::string::npos) return true;
  }
  return false;
}

bool anyWarningContains(const ImportReport& report, const std::string& text) {
  return anyContains(report.warnings, text);
}

class FileFormTest : public ::testing::Test {
 protected:
  TempFolder folder;
};

TEST_F(FileFormTest, EmlxFramingIsStripped) {
  RecordedMessage fromEml;
  RecordedMessage fromEmlx;
  importMessageFile(folder.write("m.eml", alternativeRelatedMixed()), fromEml);
  const auto report =
      importMessageFile(folder.write("m.emlx", emlxOf(alternativeRelatedMixed())), fromEmlx);
  EXPECT_TRUE(report.warnings.empty());
  EXPECT_EQ(fromEmlx.str(tags::kSubject), "Report with pictures");
  EXPECT_EQ(fromEmlx.str(tags::kTransportMessageHeaders),
            fromEml.str(tags::kTransportMessageHeaders));
  ASSERT_EQ(fromEmlx.attachments.size(), 4u);
  // The last part ends right before the property list, which must not leak into it.
  EXPECT_EQ(fromEmlx.attachments[3]->dataText(), fromEml.attachments[3]->dataText());
  EXPECT_EQ(fromEmlx.attachments[2]->dataText(), kPdfBytes);
}

TEST_F(FileFormTest, EmlxWithAWrongCountEndsAtThePropertyList) {
  for (long adjust : {-40L, 100000L, -static_cast<long>(latin1QuotedPrintable().size())}) {
    SCOPED_TRACE(adjust);
    RecordedMessage message;
    const auto report = importMessageFile(
        folder.write("wrong.emlx", emlxOf(latin1QuotedPrintable(), adjust)), message);
    EXPECT_EQ(message.str(tags::kBody), "Un café crème, s'il vous plaît.\n");
    EXPECT_TRUE(anyWarningContains(report, "byte count"));
  }
}

TEST_F(FileFormTest, CrlfFilesReadLikeLfFiles) {
  std::string crlf;
  for (char c : latin1QuotedPrintable()) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  RecordedMessage message;
  importMessageFile(folder.write("crlf.eml", crlf), message);
  EXPECT_EQ(message.str(tags::kSubject), "café");
  EXPECT_EQ(message.str(tags::kSentRepresentingEmailAddress), "pierre@example.fr");
  EXPECT_NE(message.str(tags::kBody).find("Un café crème"), std::string::npos);
}

// A file named outside ASCII, held open for writing by the program that keeps it (as a mail
// program keeps its store), reads as usual.
TEST_F(FileFormTest, NonAsciiNameHeldOpenByAnotherProgram) {
  const auto path = folder.path() / std::filesystem::path(u8"Réunion – 東京.eml");
  std::ofstream(path, std::ios::binary) << latin1QuotedPrintable();
#ifdef _WIN32
  const HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
#else
  std::ofstream holder(path, std::ios::binary | std::ios::app);
#endif
  RecordedMessage message;
  importMessageFile(path, message);
  EXPECT_EQ(message.str(tags::kSubject), "café");
#ifdef _WIN32
  CloseHandle(holder);
#endif
}

TEST_F(FileFormTest, NothingUsableRaisesAClearError) {
  RecordedMessage message;
  EXPECT_THROW(importMessageFile(folder.path() / "missing.eml", message), ImportError);
  EXPECT_THROW(importMessageFile(folder.write("empty.eml", ""), message), ImportError);
  EXPECT_THROW(importMessageFile(folder.path(), message), ImportError);
  EXPECT_THROW(
      importMessageFile(folder.write("png.eml", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)),
                        message),
      ImportError);
  EXPECT_THROW(
      importMessageFile(folder.write("text.eml", "just some words\nand more words\n"), message),
      ImportError);
  try {
    importMessageFile(folder.write("empty2.eml", ""), message);
  } catch (const ImportError& error) {
    EXPECT_EQ(error.path().filename(), "empty2.eml");
    EXPECT_NE(std::string(error.what()).find("empty"), std::string::npos);
  }
  EXPECT_TRUE(message.props.empty());
}

TEST_F(FileFormTest, SourceFilesAreNotModified) {
  const auto path = folder.write("keep.eml", nestedMessages());
  const auto before = std::filesystem::last_write_time(path);
  RecordedMessage message;
  importMessageFile(path, message);
  EXPECT_EQ(std::filesystem::file_size(path), nestedMessages().size());
  EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

class BadInputTest : public ::testing::Test {
 protected:
  ImportReport import(const std::string& bytes) {
    return importMessageFile(folder.write("bad.eml", bytes), message);
  }
  TempFolder folder;
  RecordedMessage message;
};

TEST_F(BadInputTest, TruncatedMultipartKeepsWhatWasThere) {
  std::string mail = alternativeRelatedMixed();
  mail.resize(mail.find("--outer\nContent-Type: text/plain; charset=utf-8; name") - 300);
  const auto report = import(mail);
  EXPECT_EQ(message.str(tags::kBody), "Plain version of the report.");
  ASSERT_GE(message.attachments.size(), 3u);
  EXPECT_EQ(message.attachments[0]->dataText(), kPngBytes);
  // The cut PDF is kept as far as it goes.
  EXPECT_EQ(kPdfBytes.rfind(message.attachments[2]->dataText().substr(0, 100), 0), 0u);
  EXPECT_FALSE(report.warnings.empty());
}

TEST_F(BadInputTest, BrokenEncodingsAndCharsetsAreReadAsFarAsPossible) {
  const auto report = import(
      "From: =?UTF-8?B?broken?= <a@b.c>\nSubject: =?x-unknown?Q?abc?= =?UTF-8?Q?=FF=FE?=\n"
      "Content-Type: multipart/mixed; boundary=z\n\n"
      "--z\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\n"
      "SGVsbG8g!!!d29ybGQ=\n"
      "--z\nContent-Type: text/plain; charset=utf-8\nContent-Disposition: attachment\n"
      "Content-Transfer-Encoding: quoted-printable\n\nbad =ZZ escape =\n"
      "--z\nContent-Type: text/plain; charset=utf-8\nContent-Disposition: attachment\n\n\xFF\xFE "
      "bad utf-8\n"
      "--z--\n");
  EXPECT_EQ(message.str(tags::kBody).substr(0, 6), "Hello ");
  EXPECT_TRUE(message.has(tags::kSubject));
  ASSERT_EQ(message.attachments.size(), 2u);
  EXPECT_NE(message.attachments[0]->dataText().find("bad "), std::string::npos);
  // The run's summary counts from the report: it must agree with what was recorded.
  EXPECT_EQ(report.attachments, message.attachments.size());
}

TEST_F(BadInputTest, AbsurdHeadersAndLinesAreCut) {
  const std::string longSubject(300000, 'S');
  const std::string longLine(2000000, 'L');
  std::string manyHeaders;
  for (int i = 0; i < 20000; ++i) manyHeaders += "X-Filler-" + std::to_string(i) + ": value\n";
  const auto report = import("From: a@b.c\nSubject: " + longSubject + "\n" + manyHeaders + "To: " +
                             std::string(100000, 'x') + "@example.com\n\n" + longLine + "\n");
  EXPECT_LE(message.str(tags::kSubject).size(), 64u * 1024u);
  EXPECT_LE(message.str(tags::kTransportMessageHeaders).size(), 1u << 20);
  EXPECT_EQ(message.str(tags::kBody).size(), longLine.size() + 1);
  EXPECT_TRUE(anyContains(report.contentLost, "Subject longer than"));
}

TEST_F(BadInputTest, DeepMultipartNestingIsCut) {
  const auto nested = [](const std::string& bottom) {
    std::string mail = "From: a@b.c\nSubject: deep\n";
    const int levels = 300;
    for (int i = 0; i < levels; ++i) {
      mail += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\n\n--b" +
              std::to_string(i) + "\n";
    }
    mail += "Content-Type: text/plain\n\ndeepest\n" + bottom;
    for (int i = levels - 1; i >= 0; --i) mail += "--b" + std::to_string(i) + "--\n";
    return mail;
  };
  auto report = import(nested(""));
  // The text below the cut is kept as the body, and the warning says what happened: nothing
  // else was there, so nothing was lost.
  EXPECT_EQ(message.str(tags::kBody), "deepest");
  EXPECT_TRUE(anyWarningContains(report, "first text kept as the body"));
  EXPECT_TRUE(report.contentLost.empty()) << report.contentLost.front();
  EXPECT_EQ(message.str(tags::kSubject), "deep");

  // A file beside the deepest text is left out, and said to be.
  message = RecordedMessage{};
  report = import(nested("--b299\nContent-Type: application/pdf\n\n%PDF\n"));
  EXPECT_EQ(message.str(tags::kBody), "deepest");
  ASSERT_EQ(report.contentLost.size(), 1u);
  EXPECT_NE(report.contentLost[0].find("first text kept as the body, 1 part below them left out"),
            std::string::npos)
      << report.contentLost[0];
}

TEST_F(BadInputTest, DeepMessageNestingIsCutAndKeptAsAFile) {
  std::string mail = "From: a@b.c\nSubject: level 0\n\nbottom\n";
  for (int i = 1; i <= 80; ++i) {
    mail = "From: a@b.c\nSubject: level " + std::to_string(i) +
           "\nContent-Type: message/rfc822\n\n" + mail;
  }
  const auto report = import(mail);
  EXPECT_EQ(message.str(tags::kSubject), "level 80");
  int depth = 0;
  const RecordedMessage* at = &message;
  while (!at->attachments.empty() && at->attachments[0]->embedded) {
    at = at->attachments[0]->embedded.get();
    ++depth;
  }
  EXPECT_GT(depth, 10);
  EXPECT_LE(depth, 64);
  // Kept as a file: nothing lost.
  EXPECT_FALSE(report.warnings.empty());
  EXPECT_TRUE(report.contentLost.empty());
}

TEST_F(BadInputTest, RandomBytesNeverCrash) {
  for (unsigned seed = 0; seed < 50; ++seed) {
    std::string bytes = "From: a@b.c\nContent-Type: multipart/mixed; boundary=x\n\n--x\n" +
                        binaryBytes(2000 + seed * 37, seed + 100);
    RecordedMessage sink;
    try {
      importMessageFile(folder.write("r.eml", bytes), sink);
      // The header before the garbage is intact: the sender survives it.
      EXPECT_EQ(sink.str(tags::kSentRepresentingEmailAddress), "a@b.c") << "seed " << seed;
    } catch (const ImportError& error) {
      EXPECT_NE(std::string(error.what()), "") << "seed " << seed;
    }
  }
}

}  // namespace
}  // namespace mailferry::mime
