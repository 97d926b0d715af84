// Tag stripping and <meta> charset sniffing for HTML bodies.
#include "mime/HtmlText.h"

#include "pst/Utf.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <utility>

namespace mailferry::mime {

namespace {

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// `needle` is lower case.
std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t from) {
  if (needle.empty() || text.size() < needle.size()) return std::string_view::npos;
  for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() &&
           std::tolower(static_cast<unsigned char>(text[i + k])) == needle[k]) {
      ++k;
    }
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

constexpr std::array<std::pair<std::string_view, std::uint32_t>, 16> kEntities{{
    {"amp", '&'},
    {"lt", '<'},
    {"gt", '>'},
    {"quot", '"'},
    {"apos", '\''},
    {"nbsp", 0xA0},
    {"copy", 0xA9},
    {"reg", 0xAE},
    {"euro", 0x20AC},
    {"hellip", 0x2026},
    {"mdash", 0x2014},
    {"ndash", 0x2013},
    {"lsquo", 0x2018},
    {"rsquo", 0x2019},
    {"ldquo", 0x201C},
    {"rdquo", 0x201D},
}};

// Decodes the reference at html[pos] == '&'; returns the characters consumed (0: not one).
std::size_t decodeReference(std::string_view html, std::size_t pos, std::string& out) {
  const std::size_t semi = html.find(';', pos);
  if (semi == std::string_view::npos || semi - pos > 10) return 0;
  const std::string_view name = html.substr(pos + 1, semi - pos - 1);
  if (name.size() >= 2 && name[0] == '#') {
    std::uint32_t cp = 0;
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) return 0;
    for (char c : digits) {
      const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                    : hex && std::isxdigit(static_cast<unsigned char>(c))
                        ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                        : -1;
      if (d < 0) return 0;
      cp = std::min<std::uint32_t>(cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d), 0x110000);
    }
    pst::appendUtf8(out, cp == 0 ? 0xFFFD : cp);
    return semi - pos + 1;
  }
  for (const auto& [entity, cp] : kEntities) {
    if (name == entity) {
      pst::appendUtf8(out, cp);
      return semi - pos + 1;
    }
  }
  return 0;
}

bool isBlockTag(std::string_view tag) {
  static constexpr std::array<std::string_view, 14> kBlocks{"br",  "p",      "/p", "div", "/div",
                                                            "tr",  "/tr",    "li", "/h1", "/h2",
                                                            "/h3", "/table", "hr", "/li"};
  return std::find(kBlocks.begin(), kBlocks.end(), tag) != kBlocks.end();
}

}  // namespace

std::string htmlToText(std::string_view html) {
  std::string out;
  out.reserve(html.size() / 2);
  bool pendingSpace = false;
  std::size_t pos = 0;
  // <br> always breaks the line; block boundaries only end a line that has text.
  auto newline = [&](bool always) {
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (always || (!out.empty() && out.back() != '\n')) out += "\r\n";
    pendingSpace = false;
  };
  while (pos < html.size()) {
    const char c = html[pos];
    if (c == '<') {
      if (html.compare(pos, 4, "<!--") == 0) {
        const std::size_t end = html.find("-->", pos + 4);
        pos = end == std::string_view::npos ? html.size() : end + 3;
        continue;
      }
      const std::size_t end = html.find('>', pos);
      if (end == std::string_view::npos) break;
      std::string_view inside = html.substr(pos + 1, end - pos - 1);
      const std::size_t nameEnd =
          inside.find_first_of(" \t\r\n/>", inside.empty() || inside[0] != '/' ? 0 : 1);
      const std::string tag = lowerAscii(inside.substr(0, nameEnd));
      pos = end + 1;
      if (tag == "script" || tag == "style" || tag == "head" || tag == "title") {
        const std::string closing = "</" + tag;
        const std::size_t close = findNoCase(html, closing, pos);
        if (close == std::string_view::npos) break;
        const std::size_t closeEnd = html.find('>', close);
        pos = closeEnd == std::string_view::npos ? html.size() : closeEnd + 1;
        continue;
      }
      if (tag == "br")
        newline(true);
      else if (isBlockTag(tag))
        newline(false);
      else if (tag == "td" || tag == "th")
        pendingSpace = true;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      pendingSpace = true;
      ++pos;
      continue;
    }
    if (pendingSpace && !out.empty() && out.back() != '\n') out += ' ';
    pendingSpace = false;
    if (c == '&') {
      const std::size_t used = decodeReference(html, pos, out);
      if (used > 0) {
        pos += used;
        continue;
      }
    }
    out += c;
    ++pos;
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n' || out.back() == '\r'))
    out.pop_back();
  const std::size_t first = out.find_first_not_of(" \r\n");
  return first == std::string::npos ? std::string() : out.substr(first);
}

std::string htmlMetaCharset(std::string_view html) {
  const std::string head = lowerAscii(html.substr(0, std::min<std::size_t>(html.size(), 4096)));
  std::size_t pos = 0;
  while ((pos = head.find("<meta", pos)) != std::string::npos) {
    const std::size_t end = head.find('>', pos);
    if (end == std::string::npos) break;
    const std::string_view tag = std::string_view(head).substr(pos, end - pos);
    const std::size_t cs = tag.find("charset");
    if (cs != std::string_view::npos) {
      std::size_t v = tag.find('=', cs);
      if (v != std::string_view::npos) {
        ++v;
        while (v < tag.size() && (tag[v] == ' ' || tag[v] == '"' || tag[v] == '\'')) ++v;
        std::size_t stop = v;
        while (stop < tag.size() &&
               (std::isalnum(static_cast<unsigned char>(tag[stop])) || tag[stop] == '-' ||
                tag[stop] == '_' || tag[stop] == ':' || tag[stop] == '.')) {
          ++stop;
        }
        if (stop > v) return std::string(tag.substr(v, stop - v));
      }
    }
    pos = end;
  }
  return {};
}

}  // namespace mailferry::mime
