// Long, short and fallback attachment file names.
#include "mime/AttachmentNames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace mailferry::mime {

namespace {

std::string upperAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool isShortNameChar(unsigned char c) {
  return std::isalnum(c) ||
         std::string_view("!#$%&'()-@^_`{}~").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string shortNamePart(std::string_view text, std::size_t limit) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && out.size() < limit; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == ' ' || c == '.') continue;
    if (c >= 0x80) {
      if ((c & 0xC0) != 0x80) out += '_';  // one '_' per non-ASCII character
      continue;
    }
    out += isShortNameChar(c) ? static_cast<char>(c) : '_';
  }
  return upperAscii(out);
}

bool fits83(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  const std::string_view base = dot == std::string_view::npos ? name : name.substr(0, dot);
  const std::string_view ext =
      dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  auto valid = [](std::string_view part) {
    return std::all_of(part.begin(), part.end(),
                       [](char c) { return isShortNameChar(static_cast<unsigned char>(c)); });
  };
  return valid(base) && valid(ext);
}

}  // namespace

std::string sanitizeFileName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F ||
        std::string_view("\"*/:<>?\\|").find(ch) != std::string_view::npos) {
      out += '_';
    } else {
      out += ch;
    }
  }
  const std::size_t first = out.find_first_not_of(" .");
  if (first == std::string::npos) return {};
  const std::size_t last = out.find_last_not_of(" .");
  return out.substr(first, last - first + 1);
}

std::string fileExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == name.size()) return {};
  return std::string(name.substr(dot));
}

std::string extensionForMimeType(std::string_view mimeType) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 18> kTypes{{
      {"image/png", ".png"},
      {"image/jpeg", ".jpg"},
      {"image/jpg", ".jpg"},
      {"image/pjpeg", ".jpg"},
      {"image/gif", ".gif"},
      {"image/bmp", ".bmp"},
      {"image/x-png", ".png"},
      {"text/plain", ".txt"},
      {"text/html", ".htm"},
      {"text/calendar", ".ics"},
      {"text/x-vcard", ".vcf"},
      {"text/vcard", ".vcf"},
      {"application/pdf", ".pdf"},
      {"application/zip", ".zip"},
      {"message/rfc822", ".eml"},
      {"application/pkcs7-mime", ".p7m"},
      {"application/pkcs7-signature", ".p7s"},
      {"application/pgp-signature", ".asc"},
  }};
  std::string lower(mimeType);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const auto& [type, ext] : kTypes) {
    if (lower == type) return std::string(ext);
  }
  return ".dat";
}

std::string ShortNames::assign(std::string_view longName) {
  if (fits83(longName)) {
    const std::string key = upperAscii(std::string(longName));
    if (used_.insert(key).second) return std::string(longName);
  }
  const std::size_t dot = longName.rfind('.');
  const std::string base =
      shortNamePart(dot == std::string_view::npos ? longName : longName.substr(0, dot), 6);
  const std::string ext =
      dot == std::string_view::npos ? std::string() : shortNamePart(longName.substr(dot + 1), 3);
  for (int n = 1;; ++n) {
    const std::string tail = "~" + std::to_string(n);
    // Longer counters eat into the base so that it stays eight characters at most.
    const std::string stem = base.substr(0, std::min(base.size(), 8 - tail.size()));
    std::string candidate = (stem.empty() ? std::string("ATT") : stem) + tail;
    if (!ext.empty()) candidate += "." + ext;
    if (used_.insert(candidate).second) return candidate;
  }
}

}  // namespace mailferry::mime
