// Charset table and iconv-based conversion for the RFC 822 import.
#include "mime/Charsets.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include "mime/GMimeHandles.h"

namespace mailferry::mime {

namespace {

struct CharsetCodePage {
  std::string_view label;
  int codePage;
};

// The Outlook object model's InternetCodepage table, completed with the other charsets that
// mail is commonly written in. The first label of a code page is the one converted from.
constexpr std::array<CharsetCodePage, 58> kCodePages{{
    {"us-ascii", 20127},
    {"utf-8", 65001},
    {"utf-7", 65000},
    {"utf-16", 1200},
    {"utf-16le", 1200},
    {"utf-16be", 1201},
    {"utf-32", 12000},
    {"utf-32le", 12000},
    {"utf-32be", 12001},
    {"iso-8859-1", 28591},
    {"iso-8859-2", 28592},
    {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},
    {"iso-8859-5", 28595},
    {"iso-8859-6", 28596},
    {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},
    {"iso-8859-8-i", 38598},
    {"iso-8859-9", 28599},
    {"iso-8859-13", 28603},
    {"iso-8859-15", 28605},
    {"windows-1250", 1250},
    {"windows-1251", 1251},
    {"windows-1252", 1252},
    {"windows-1253", 1253},
    {"windows-1254", 1254},
    {"windows-1255", 1255},
    {"windows-1256", 1256},
    {"windows-1257", 1257},
    {"windows-1258", 1258},
    {"windows-874", 874},
    {"tis-620", 874},
    {"koi8-r", 20866},
    {"koi8-u", 21866},
    {"ibm866", 866},
    {"ibm850", 850},
    {"ibm437", 437},
    {"macintosh", 10000},
    {"shift_jis", 932},
    {"euc-jp", 51932},
    {"iso-2022-jp", 50220},
    {"gb2312", 936},
    {"gbk", 936},
    {"gb18030", 54936},
    {"hz-gb-2312", 52936},
    {"big5", 950},
    {"big5-hkscs", 950},
    {"euc-kr", 51949},
    {"ks_c_5601-1987", 949},
    {"iso-2022-kr", 50225},
    {"euc-tw", 51950},
    {"viscii", 1258},
    {"iso-8859-10", 28600},
    {"iso-8859-14", 28604},
    {"iso-8859-16", 28606},
    {"cp949", 949},
    {"windows-31j", 932},
    {"csiso2022jp", 50221},
}};

constexpr std::array<std::pair<std::string_view, std::string_view>, 40> kAliases{{
    {"ascii", "us-ascii"},
    {"ansi_x3.4-1968", "us-ascii"},
    {"646", "us-ascii"},
    {"utf8", "utf-8"},
    {"latin1", "iso-8859-1"},
    {"l1", "iso-8859-1"},
    {"iso8859-1", "iso-8859-1"},
    {"latin2", "iso-8859-2"},
    {"latin-9", "iso-8859-15"},
    {"latin9", "iso-8859-15"},
    {"cp1250", "windows-1250"},
    {"cp1251", "windows-1251"},
    {"cp1252", "windows-1252"},
    {"cp1253", "windows-1253"},
    {"cp1254", "windows-1254"},
    {"cp1255", "windows-1255"},
    {"cp1256", "windows-1256"},
    {"cp1257", "windows-1257"},
    {"cp1258", "windows-1258"},
    {"windows-cp1252", "windows-1252"},
    {"sjis", "shift_jis"},
    {"shift-jis", "shift_jis"},
    {"ms_kanji", "shift_jis"},
    {"cp932", "windows-31j"},
    {"eucjp", "euc-jp"},
    {"euckr", "euc-kr"},
    {"ks_c_5601", "ks_c_5601-1987"},
    {"cp936", "gbk"},
    {"euc-cn", "gb2312"},
    {"csgb2312", "gb2312"},
    {"big-5", "big5"},
    {"cp950", "big5"},
    {"koi8r", "koi8-r"},
    {"cp866", "ibm866"},
    {"cp850", "ibm850"},
    {"cp437", "ibm437"},
    {"mac", "macintosh"},
    {"cp874", "windows-874"},
    {"iso-8859-8i", "iso-8859-8-i"},
    {"unicode-1-1-utf-7", "utf-7"},
}};

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n\"'");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n\"'");
  return std::string(text.substr(first, last - first + 1));
}

void appendReplacement(std::string& out) {
  out += "\xEF\xBF\xBD";
}

// iconv conversion that replaces every unreadable byte with U+FFFD and never gives up.
bool convertWithIconv(std::string_view bytes, const std::string& from, ConvertedText& result) {
  iconv_t cd = g_mime_iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2 + 16);
  char buffer[8192];
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  while (true) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const bool finishing = inLeft == 0;
    const std::size_t rc = finishing ? iconv(cd, nullptr, nullptr, &outPtr, &outLeft)
                                     : iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const int error = errno;
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (rc != static_cast<std::size_t>(-1)) {
      if (finishing) break;
      continue;
    }
    if (error == E2BIG) continue;
    if ((error == EILSEQ || error == EINVAL) && inLeft > 0) {
      // EINVAL: an incomplete sequence at the very end of the input.
      appendReplacement(out);
      result.lossy = true;
      ++in;
      --inLeft;
      continue;
    }
    break;
  }
  g_mime_iconv_close(cd);
  result.utf8 = std::move(out);
  return true;
}

// Reads undeclared 8-bit text: UTF-8 when it is valid UTF-8, else windows-1252.
ConvertedText guessUndeclared(std::string_view bytes) {
  ConvertedText result;
  if (isValidUtf8(bytes)) {
    result.utf8 = std::string(bytes);
    result.charsetUsed = isAscii(bytes) ? "us-ascii" : "utf-8";
    return result;
  }
  result.charsetUsed = "windows-1252";
  convertWithIconv(bytes, "CP1252", result);
  return result;
}

}  // namespace

std::string canonicalCharset(std::string_view label) {
  std::string name = lower(trimmed(label));
  for (const auto& [alias, canonical] : kAliases) {
    if (name == alias) return std::string(canonical);
  }
  if (name.rfind("x-", 0) == 0) {
    const std::string bare = name.substr(2);
    for (const auto& [alias, canonical] : kAliases) {
      if (bare == alias) return std::string(canonical);
    }
    for (const auto& entry : kCodePages) {
      if (bare == entry.label) return bare;
    }
  }
  // "iso_8859-1", "ISO8859-15", "windows1252"
  std::string dashed = name;
  std::replace(dashed.begin(), dashed.end(), '_', '-');
  if (dashed.rfind("iso8859-", 0) == 0) dashed.insert(3, "-");
  if (dashed.rfind("windows", 0) == 0 && dashed.size() > 7 && dashed[7] != '-') {
    dashed.insert(7, "-");
  }
  if (dashed.rfind("iso-8859-", 0) == 0 || dashed.rfind("windows-", 0) == 0) return dashed;
  return name;
}

std::optional<int> codePageForCharset(std::string_view label) {
  const std::string name = canonicalCharset(label);
  for (const auto& entry : kCodePages) {
    if (name == entry.label) return entry.codePage;
  }
  return std::nullopt;
}

std::string charsetForCodePage(int codePage) {
  for (const auto& entry : kCodePages) {
    if (entry.codePage == codePage) return std::string(entry.label);
  }
  return "windows-1252";
}

int windowsCodePageFor(int cp) {
  switch (cp) {
    case 20127:
    case 28591:
    case 28605:
      return 1252;
    case 28592:
      return 1250;
    case 28595:
    case 20866:
    case 21866:
    case 866:
      return 1251;
    case 28597:
      return 1253;
    case 28599:
      return 1254;
    case 28598:
    case 38598:
      return 1255;
    case 28596:
      return 1256;
    case 28594:
    case 28603:
      return 1257;
    case 51932:
    case 50220:
    case 50221:
      return 932;
    case 52936:
    case 54936:
      return 936;
    case 51949:
    case 50225:
      return 949;
    default:
      return cp;
  }
}

bool isAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

bool isValidUtf8(std::string_view bytes) {
  return g_utf8_validate_len(bytes.data(), bytes.size(), nullptr) != FALSE;
}

namespace {

ConvertedText convertText(std::string_view bytes, std::string_view declaredCharset) {
  ensureGMime();
  const std::string name = canonicalCharset(declaredCharset);
  if (name.empty() || name == "us-ascii") return guessUndeclared(bytes);
  if (name == "utf-8") {
    ConvertedText result;
    result.charsetUsed = "utf-8";
    if (isValidUtf8(bytes)) {
      result.utf8 = std::string(bytes);
    } else {
      result.utf8 = takeString(g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size())));
      result.lossy = true;
    }
    return result;
  }
  ConvertedText result;
  result.charsetUsed = name;
  // Mail labelled ISO-8859-1 is very often windows-1252 (curly quotes, euro sign); 1252 is a
  // superset in every printable position, so reading it as 1252 loses nothing.
  const std::string from = name == "iso-8859-1" ? std::string("CP1252") : name;
  if (convertWithIconv(bytes, from, result)) return result;
  const std::string iconvName =
      orEmpty(g_mime_charset_iconv_name(std::string(declaredCharset).c_str()));
  if (!iconvName.empty() && convertWithIconv(bytes, iconvName, result)) return result;
  // Windows' iconv knows some charsets only by their code page ("tis-620" is code page 874).
  if (const auto codePage = codePageForCharset(name);
      codePage && convertWithIconv(bytes, "CP" + std::to_string(*codePage), result)) {
    return result;
  }
  ConvertedText guessed = guessUndeclared(bytes);
  guessed.unknownCharset = true;
  return guessed;
}

// A NUL cannot live in a PT_UNICODE string (readers end the text there), so each one becomes
// U+FFFD, the character that marks what could not be shown; the text around it is converted
// piece by piece.
ConvertedText convertAroundNuls(std::string_view bytes, std::string_view declaredCharset) {
  ConvertedText joined;
  std::size_t from = 0;
  while (true) {
    const std::size_t nul = std::min(bytes.find('\0', from), bytes.size());
    ConvertedText piece = convertText(bytes.substr(from, nul - from), declaredCharset);
    joined.utf8 += piece.utf8;
    if (joined.charsetUsed.empty() || joined.charsetUsed == "us-ascii") {
      joined.charsetUsed = piece.charsetUsed;
    }
    joined.lossy = joined.lossy || piece.lossy;
    joined.unknownCharset = joined.unknownCharset || piece.unknownCharset;
    if (nul == bytes.size()) return joined;
    joined.utf8 += "\xEF\xBF\xBD";
    from = nul + 1;
  }
}

// Charsets whose characters take more than one byte each, where a zero byte is no NUL.
bool isWideCharset(std::string_view label) {
  const std::string name = canonicalCharset(label);
  return name.starts_with("utf-16") || name.starts_with("utf-32") || name.starts_with("ucs-") ||
         name == "unicode";
}

}  // namespace

ConvertedText toUtf8(std::string_view bytes, std::string_view declaredCharset) {
  if (bytes.find('\0') == std::string_view::npos) return convertText(bytes, declaredCharset);
  if (!isWideCharset(declaredCharset)) return convertAroundNuls(bytes, declaredCharset);
  ConvertedText result = convertText(bytes, declaredCharset);
  for (std::size_t at = result.utf8.find('\0'); at != std::string::npos;
       at = result.utf8.find('\0', at)) {
    result.utf8.replace(at, 1, "\xEF\xBF\xBD");
  }
  return result;
}

}  // namespace mailferry::mime
