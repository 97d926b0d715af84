// The small rules under the import: subject prefixes, one-off entry id layout, charset code
// pages, short names, HTML text rendition.
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <string_view>

#include "mime/AttachmentNames.h"
#include "mime/Charsets.h"
#include "mime/HtmlText.h"
#include "mime/SubjectRules.h"
#include "pst/messaging/OneOffEntryId.h"

namespace mailferry::mime {
namespace {

TEST(SubjectRulesTest, OnePrefixOfOneToThreeCharacters) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"RE: hello", "RE: ", "hello"},
      {"Re:hello", "Re: ", "hello"},
      {"FW: RE: x", "FW: ", "RE: x"},
      {"AW:   spaced", "AW: ", "spaced"},
      {"SV: Ärger", "SV: ", "Ärger"},
      {"Fwd: y", "Fwd: ", "y"},
      {"Ответ: z", "", "Ответ: z"},
      {"Ото: z", "Ото: ", "z"},
      {"Long: no", "", "Long: no"},
      {"12: digits", "", "12: digits"},
      {"a b: space", "", "a b: space"},
      {": empty", "", ": empty"},
      {"", "", ""},
  };
  for (const auto& [subject, prefix, normalized] : cases) {
    const auto parts = splitSubject(subject);
    EXPECT_EQ(parts.prefix, prefix) << subject;
    EXPECT_EQ(parts.normalized, normalized) << subject;
  }
}

TEST(OneOffEntryIdTest, LayoutFollowsTheFormat) {
  const auto id = pst::makeOneOffEntryId("Jo", "SMTP", "j@x");
  const std::vector<std::uint8_t> expected = {
      0,    0,    0,    0,    0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
      0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02, 0,    0,    0x01, 0x80,
      'J',  0,    'o',  0,    0,    0,    'S',  0,    'M',  0,    'T',  0,
      'P',  0,    0,    0,    'j',  0,    '@',  0,    'x',  0,    0,    0};
  EXPECT_EQ(id, expected);
  const auto list = pst::makeFlatEntryList({{1, 2, 3}, {4, 5, 6, 7, 8}});
  const std::vector<std::uint8_t> expectedList = {2, 0, 0, 0, 20, 0, 0, 0, 3, 0, 0, 0, 1, 2,
                                                  3, 0, 5, 0, 0,  0, 4, 5, 6, 7, 8, 0, 0, 0};
  EXPECT_EQ(list, expectedList);
}

TEST(CharsetsTest, LabelsMapToCodePagesWhateverTheirSpelling) {
  const std::pair<std::string, int> cases[] = {
      {"UTF-8", 65001},       {"utf8", 65001},         {"us-ascii", 20127},
      {"ISO-8859-1", 28591},  {"latin1", 28591},       {"iso_8859-15", 28605},
      {"Windows-1252", 1252}, {"cp1251", 1251},        {"KOI8-R", 20866},
      {"Shift_JIS", 932},     {"x-sjis", 932},         {"GB2312", 936},
      {"gbk", 936},           {"Big5", 950},           {"EUC-JP", 51932},
      {"ISO-2022-JP", 50220}, {"ks_c_5601-1987", 949}, {"euc-kr", 51949},
      {"\"utf-8\"", 65001},
  };
  for (const auto& [label, page] : cases) EXPECT_EQ(codePageForCharset(label), page) << label;
  EXPECT_FALSE(codePageForCharset("x-no-such-charset").has_value());
  EXPECT_EQ(windowsCodePageFor(28591), 1252);
  EXPECT_EQ(windowsCodePageFor(20866), 1251);
}

TEST(CharsetsTest, EveryTableCharsetConvertsThroughIconv) {
  bool lacksGb18030 = false;
  // Plain ASCII letters read the same in every ASCII-compatible charset of the table.
  for (const char* label :
       {"iso-8859-2", "iso-8859-5", "iso-8859-7", "windows-1250", "windows-1256", "koi8-u",
        "shift_jis", "euc-jp", "gb2312", "gb18030", "big5", "euc-kr", "iso-8859-8-i", "windows-874",
        "ibm866", "macintosh", "tis-620"}) {
#ifdef _WIN32
    // Windows' iconv converts through the system's code pages; Wine has none for GB18030.
    if (std::string_view(label) == "gb18030" && !IsValidCodePage(54936)) {
      lacksGb18030 = true;
      continue;
    }
#endif
    const auto converted = toUtf8("Hello", label);
    EXPECT_EQ(converted.utf8, "Hello") << label;
    EXPECT_FALSE(converted.unknownCharset) << label;
  }
  EXPECT_EQ(toUtf8("\x1B$B$3$s$K$A$O\x1B(B", "iso-2022-jp").utf8, "こんにちは");
  EXPECT_EQ(toUtf8(std::string("h\0i\0", 4), "utf-16le").utf8, "hi");
  const auto broken = toUtf8("ok\x82", "shift_jis");
  EXPECT_TRUE(broken.lossy);
  EXPECT_EQ(broken.utf8, "ok\xEF\xBF\xBD");
  if (lacksGb18030) GTEST_SKIP() << "gb18030 unchecked: this system has no code page 54936 (Wine)";
}

TEST(AttachmentNamesTest, SanitizingAndExtensions) {
  EXPECT_EQ(sanitizeFileName("  ../etc/passwd  "), "_etc_passwd");
  EXPECT_EQ(sanitizeFileName("tab\there.txt"), "tab_here.txt");
  EXPECT_EQ(fileExtension("report.final.PDF"), ".PDF");
  EXPECT_EQ(fileExtension("noext"), "");
  EXPECT_EQ(extensionForMimeType("IMAGE/JPEG"), ".jpg");
  ShortNames names;
  EXPECT_EQ(names.assign("README.TXT"), "README.TXT");
  EXPECT_EQ(names.assign("readme.txt"), "README~1.TXT");
  EXPECT_EQ(names.assign("Ünïcödé file.html"), "_N_C_D~1.HTM");
  EXPECT_EQ(names.assign("..."), "ATT~1");
}

TEST(HtmlTextTest, TagsScriptsAndEntitiesGo) {
  EXPECT_EQ(htmlToText("<html><head><title>T</title><script>var x=1;</script></head>"
                       "<body><p>One&nbsp;two</p><p>Three &lt;four&gt; &#233;&#x20AC;</p>"
                       "<!-- hidden --><div>Five<br>Six</div><table><tr><td>a</td><td>b</td></tr>"
                       "</table></body></html>"),
            "One\u00A0two\r\nThree <four> é€\r\nFive\r\nSix\r\na b");
  EXPECT_EQ(htmlMetaCharset("<META charset=\"ISO-8859-2\">"), "iso-8859-2");
  EXPECT_EQ(htmlMetaCharset("<meta http-equiv=Content-Type content='text/html; charset=koi8-r'>"),
            "koi8-r");
  EXPECT_EQ(htmlMetaCharset("<p>no meta</p>"), "");
  EXPECT_EQ(htmlToText("<p>unterminated <b"), "unterminated");
}

}  // namespace
}  // namespace mailferry::mime
