// The skeleton shortcut against GMime reading every line: for hand-made messages that put base64
// runs in every place a run can be (a part's content, a prologue, an epilogue, an attached
// message, the end of the stream), and for thousands of generated ones, both parses must give
// the same message, byte for byte when written out again, and the same warnings.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

#include "mime/GMimeHandles.h"
#include "mime/MessageParser.h"
#include "mime/MessageSkeleton.h"

namespace mailferry::mime {
namespace {

std::string base64Lines(std::size_t lines, std::size_t width = 76, const std::string& eol = "\n",
                        unsigned seed = 1) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::mt19937 random(seed);
  std::string text;
  for (std::size_t i = 0; i < lines; ++i) {
    for (std::size_t j = 0; j < width; ++j) text += alphabet[random() % alphabet.size()];
    text += eol;
  }
  return text;
}

std::string written(GMimeMessage* message) {
  return takeString(g_mime_object_to_string(GMIME_OBJECT(message), nullptr));
}

// Parses `text` (after `prefix`, as an .emlx frame is) both ways and checks they agree.
// Returns whether the shortcut was taken.
bool parsesAlike(const std::string& text, const std::string& prefix = "") {
  ensureGMime();
  const std::string all = prefix + text;
  const auto streamOf = [&] {
    GObjectPtr<GMimeStream> whole(g_mime_stream_mem_new_with_buffer(all.data(), all.size()));
    GObjectPtr<GMimeStream> message(g_mime_stream_substream(
        whole.get(), static_cast<gint64>(prefix.size()), static_cast<gint64>(all.size())));
    return message;
  };
  auto forWhole = streamOf();
  auto forBest = streamOf();
  const ParsedMessage whole = parseMessage(forWhole.get(), ParseWay::kWhole);
  const ParsedMessage best = parseMessage(forBest.get(), ParseWay::kBest);
  EXPECT_EQ(whole.message == nullptr, best.message == nullptr);
  if (whole.message && best.message) {
    EXPECT_EQ(written(whole.message.get()), written(best.message.get()));
  }
  EXPECT_EQ(whole.warnings, best.warnings);
  EXPECT_FALSE(whole.fromSkeleton);
  return best.fromSkeleton;
}

std::string mixed(const std::string& eol, const std::string& attachmentLines,
                  const std::string& boundaryEol = "") {
  const std::string& b = boundaryEol.empty() ? eol : boundaryEol;
  return "From: a@example.com" + eol + "Subject: pictures" + eol + "MIME-Version: 1.0" + eol +
         "Content-Type: multipart/mixed; boundary=\"XX\"" + eol + eol + "--XX" + b +
         "Content-Type: text/plain" + eol + eol + "Hello there." + eol + "--XX" + b +
         "Content-Type: image/png; name=a.png" + eol + "Content-Transfer-Encoding: base64" + eol +
         eol + attachmentLines + "--XX--" + b;
}

TEST(MessageSkeletonTest, AttachmentRunsAreLeftOutWhateverTheLineBreaks) {
  EXPECT_TRUE(parsesAlike(mixed("\n", base64Lines(100))));
  EXPECT_TRUE(parsesAlike(mixed("\r\n", base64Lines(100, 76, "\r\n"))));
  // The parser drops the line break before a boundary by the boundary line's own break.
  EXPECT_TRUE(parsesAlike(mixed("\n", base64Lines(100), "\r\n")));
  EXPECT_TRUE(parsesAlike(mixed("\r\n", base64Lines(100, 76, "\r\n"), "\n")));
  // A message framed inside a larger stream, as an .emlx file's is.
  EXPECT_TRUE(parsesAlike(mixed("\n", base64Lines(100)), "1234\n"));
}

TEST(MessageSkeletonTest, ContentAroundARunStaysWithIt) {
  // Text lines after the run, in the same part; a padded last line; a blank line inside.
  EXPECT_TRUE(parsesAlike(mixed("\n", base64Lines(60) + "QUJD==\n\nnot base64, this\n")));
  // A run that ends the stream, with and without a last line break.
  const std::string single =
      "Subject: s\nContent-Type: application/pdf\nContent-Transfer-Encoding: base64\n\n";
  EXPECT_TRUE(parsesAlike(single + base64Lines(100)));
  EXPECT_TRUE(parsesAlike(single + base64Lines(100) + "QUJD"));
  // A line longer than 998 characters ends one run; the next starts only after a blank line.
  EXPECT_TRUE(parsesAlike(mixed("\n", base64Lines(50) + base64Lines(1, 1200) + base64Lines(50))));
}

TEST(MessageSkeletonTest, AttachedMessagesAndNestedMultipartsAreWalked) {
  const std::string inner = mixed("\n", base64Lines(80, 76, "\n", 7));
  const std::string outer =
      "Subject: fwd\nContent-Type: multipart/mixed; boundary=\"OUT\"\n\n--OUT\n"
      "Content-Type: multipart/alternative; boundary=\"ALT\"\n\n--ALT\nContent-Type: text/plain\n\n"
      "plain\n--ALT\nContent-Type: text/html\n\n<p>html</p>\n--ALT--\n\n--OUT\n"
      "Content-Type: message/rfc822\n\n" +
      inner +
      "\n--OUT\n"
      "Content-Type: message/rfc822\nContent-Transfer-Encoding: base64\n\n" +
      base64Lines(60) +
      "--OUT\nContent-Type: application/zip\nContent-Transfer-Encoding: base64\n\n" +
      base64Lines(90) + "--OUT--\n";
  EXPECT_TRUE(parsesAlike(outer));
}

TEST(MessageSkeletonTest, RunsOutsideLeafContentFallBackToTheWholeParse) {
  const std::string head = "Subject: s\nContent-Type: multipart/mixed; boundary=\"B\"\n\n";
  const std::string part = "--B\nContent-Type: text/plain\n\nhi\n";
  // In the prologue, in the epilogue.
  EXPECT_FALSE(parsesAlike(head + base64Lines(60) + part + "--B--\n"));
  EXPECT_FALSE(parsesAlike(head + part + "--B--\n\n" + base64Lines(60)));
  // A line too long for the parser to see whole, after a run.
  EXPECT_FALSE(parsesAlike(mixed("\n", base64Lines(60)) + std::string(3000, 'x') + "\n"));
  // Truncated: no end boundary, and a multipart without boundary.
  EXPECT_TRUE(parsesAlike(head +
                          "--B\nContent-Type: image/png\nContent-Transfer-Encoding: base64\n\n" +
                          base64Lines(60)));
  EXPECT_FALSE(parsesAlike("Subject: s\nContent-Type: multipart/mixed\n\n" + base64Lines(60)));
  // An attached message that starts with base64 lines where its header fields should be: the
  // parser may read them as bad header lines or as content, but the same way both times.
  parsesAlike(head + "--B\nContent-Type: message/rfc822\n\n" + base64Lines(60) + "\nbody\n--B--\n");
}

TEST(MessageSkeletonTest, WarningOffsetsPointIntoTheMessage) {
  // Conflicting Content-Type fields in a part after a run: the parser reports their offset.
  std::string text = mixed("\n", base64Lines(60));
  text.replace(text.rfind("--XX--"), 6,
               "--XX\nContent-Type: text/plain\nContent-Type: text/html\n\nx\n--XX--");
  EXPECT_TRUE(parsesAlike(text));
}

// Messages assembled from random pieces: nested multiparts, attached messages, runs of every
// length around the threshold, text, blank lines, CR LF or LF, prologues and epilogues.
class RandomMessage {
 public:
  explicit RandomMessage(unsigned seed) : random_(seed) {}

  std::string make() {
    eol_ = chance(3) ? "\r\n" : "\n";
    return "Subject: random" + eol_ + entity(0);
  }

 private:
  bool chance(unsigned oneIn) { return random_() % oneIn == 0; }

  std::string body() {
    std::string text;
    const unsigned pieces = random_() % 4;
    for (unsigned i = 0; i < pieces; ++i) {
      switch (random_() % 5) {
        case 0:
          text += "some words here" + eol_;
          break;
        case 1:
          text += eol_;
          break;
        case 2:
          text += base64Lines(random_() % 60, 1 + random_() % 80, eol_, random_());
          break;
        case 3:
          text += "-- " + eol_ + "signature" + eol_;
          break;
        default:
          text += base64Lines(30 + random_() % 30, 76, eol_, random_());
          break;
      }
    }
    return text;
  }

  std::string entity(int depth) {
    const unsigned kind = depth > 3 ? 0 : random_() % 4;
    if (kind == 1) {  // multipart
      const std::string boundary =
          "b" + std::to_string(depth) + "x" + std::to_string(random_() % 3);
      std::string text =
          "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"" + eol_ + eol_;
      if (chance(4)) text += body();
      const unsigned parts = 1 + random_() % 3;
      for (unsigned i = 0; i < parts; ++i)
        text += "--" + boundary + eol_ + entity(depth + 1) + eol_;
      if (!chance(8)) text += "--" + boundary + "--" + eol_;
      if (chance(4)) text += body();
      return text;
    }
    if (kind == 2) {  // attached message
      return "Content-Type: message/rfc822" + eol_ + eol_ + "Subject: inner" + eol_ +
             entity(depth + 1);
    }
    std::string text = "Content-Type: application/octet-stream" + eol_ +
                       "Content-Transfer-Encoding: base64" + eol_;
    if (chance(6)) text += "Content-Type: text/plain" + eol_;  // a conflict to warn about
    return text + eol_ + body();
  }

  std::mt19937 random_;
  std::string eol_;
};

TEST(MessageSkeletonTest, GeneratedMessagesParseAlike) {
  int shortcuts = 0;
  for (unsigned seed = 1; seed <= 1500; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    if (parsesAlike(RandomMessage(seed).make())) ++shortcuts;
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_GT(shortcuts, 300);  // the shortcut is really taken
}

// A simple model of a run: whole lines of the alphabet, no line over 998 characters.
std::size_t runEndModel(const std::string& text, std::size_t start) {
  std::size_t end = start;
  std::size_t lineStart = start;
  for (std::size_t at = start; at < text.size(); ++at) {
    const char c = text[at];
    const bool alphabet = std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' ||
                          c == '/' || c == '=' || c == '\r' || c == '\n';
    if (!alphabet) break;
    if (c == '\n') {
      if (at - lineStart > 999) break;  // 998 characters and CR
      end = at + 1;
      lineStart = at + 1;
    } else if (at - lineStart >= 999) {
      break;
    }
  }
  return end;
}

TEST(MessageSkeletonTest, RunEndsWhereTheModelSays) {
  std::mt19937 random(5);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const std::size_t lines = random() % 6;
    for (std::size_t i = 0; i < lines; ++i) {
      const std::size_t width = random() % 2 == 0 ? random() % 80 : 990 + random() % 12;
      text += base64Lines(1, width, random() % 2 == 0 ? "\n" : "\r\n", random());
    }
    text += base64Lines(1, random() % 40, "", random());
    if (!text.empty() && random() % 2 == 0) {
      const char odd[] = {'-', ' ', ':', '\t', '\x80', '\xff', '\0', '.', '=', '\r', '\n'};
      text[random() % text.size()] = odd[random() % sizeof odd];
    }
    const std::size_t start = text.empty() ? 0 : random() % 3 % (text.size() + 1);
    if (start > 0 && text[start - 1] != '\n') continue;  // runs start at line starts
    for (const RunScanWay way : {RunScanWay::kBest, RunScanWay::kSse2, RunScanWay::kBytes}) {
      ASSERT_EQ(base64RunEnd(text, start, way), runEndModel(text, start))
          << "round " << round << ", way " << static_cast<int>(way);
    }
  }
}

}  // namespace
}  // namespace mailferry::mime
