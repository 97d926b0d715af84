// Lenient readings of header values.
#include "mime/LenientHeaders.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "mime/GMimeHandles.h"

namespace mailferry::mime {

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

struct EncodedWord {
  std::size_t begin = 0, end = 0;  // the word in the text, "=?" to "?=" included
  std::string charset;             // as written, language suffix included
  char encoding = 0;               // 'B' or 'Q', upper case
  std::string_view payload;
};

std::optional<EncodedWord> encodedWordAt(std::string_view text, std::size_t at) {
  if (text.substr(at, 2) != "=?") return std::nullopt;
  const std::size_t q1 = text.find('?', at + 2);
  if (q1 == std::string_view::npos || q1 + 2 >= text.size() || text[q1 + 2] != '?') {
    return std::nullopt;
  }
  const std::size_t close = text.find("?=", q1 + 3);
  if (close == std::string_view::npos) return std::nullopt;
  EncodedWord word;
  word.begin = at;
  word.end = close + 2;
  word.charset = std::string(text.substr(at + 2, q1 - at - 2));
  word.encoding = static_cast<char>(std::toupper(static_cast<unsigned char>(text[q1 + 1])));
  word.payload = text.substr(q1 + 3, close - q1 - 3);
  if (word.charset.empty() || word.payload.find_first_of(" \t\r\n") != std::string_view::npos) {
    return std::nullopt;
  }
  return word;
}

bool sameCharset(const EncodedWord& a, const EncodedWord& b) {
  return g_ascii_strcasecmp(a.charset.c_str(), b.charset.c_str()) == 0;
}

std::string base64Decoded(std::string_view payload) {
  const std::string text(payload);
  gsize length = 0;
  GCharPtr bytes(reinterpret_cast<char*>(g_base64_decode(text.c_str(), &length)));
  return bytes ? std::string(bytes.get(), length) : std::string();
}

std::string base64Encoded(const std::string& bytes) {
  GCharPtr text(g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size()));
  return text ? std::string(text.get()) : std::string();
}

}  // namespace

std::optional<std::string> joinedEncodedWords(std::string_view raw) {
  if (raw.find("=?") == std::string_view::npos) return std::nullopt;
  std::string out;
  std::size_t copied = 0;
  bool changed = false;
  for (std::size_t at = raw.find("=?"); at != std::string_view::npos; at = raw.find("=?", at)) {
    auto first = encodedWordAt(raw, at);
    if (!first || first->encoding != 'B') {
      at += 2;
      continue;
    }
    // The run: words of the same charset, base64, with only white space between them.
    std::vector<EncodedWord> run{*first};
    bool padded = false;
    while (true) {
      std::size_t next = run.back().end;
      while (next < raw.size() && isSpace(raw[next])) ++next;
      auto word = encodedWordAt(raw, next);
      if (!word || word->encoding != 'B' || !sameCharset(*word, *first)) break;
      padded = padded || run.back().payload.ends_with('=');
      run.push_back(*word);
    }
    if (!padded) {
      at = run.back().end;
      continue;
    }
    std::string bytes;
    for (const auto& word : run) bytes += base64Decoded(word.payload);
    out.append(raw.substr(copied, first->begin - copied));
    out += "=?" + first->charset + "?B?" + base64Encoded(bytes) + "?=";
    copied = run.back().end;
    at = copied;
    changed = true;
  }
  if (!changed) return std::nullopt;
  out.append(raw.substr(copied));
  return out;
}

std::optional<std::string> normalizedDateZone(std::string_view date) {
  std::string_view text = date;
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  // A trailing comment ("(CST)") is no zone: look before it.
  std::string_view comment;
  if (!text.empty() && text.back() == ')') {
    const std::size_t open = text.rfind('(');
    if (open == std::string_view::npos) return std::nullopt;
    comment = date.substr(open);
    text = text.substr(0, open);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  }
  const std::size_t space = text.find_last_of(" \t");
  if (space == std::string_view::npos) return std::nullopt;
  const std::string_view zone = text.substr(space + 1);
  std::string fixed;
  if (zone.size() >= 2 && (zone[0] == '+' || zone[0] == '-') && zone.size() <= 4 &&
      std::all_of(zone.begin() + 1, zone.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const std::string_view digits = zone.substr(1);
    fixed = std::string(1, zone[0]) +
            (digits.size() == 3 ? "0" + std::string(digits)
                                : (digits.size() == 1 ? "0" : "") + std::string(digits) + "00");
  } else if (zone.size() == 1 && std::isalpha(static_cast<unsigned char>(zone[0])) && zone != "Z" &&
             zone != "z") {
    fixed = "-0000";
  } else if (zone.size() >= 2 && zone.size() <= 5 &&
             std::all_of(zone.begin(), zone.end(),
                         [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }) &&
             std::any_of(zone.begin(), zone.end(),
                         [](char c) { return std::islower(static_cast<unsigned char>(c)); })) {
    for (char c : zone) fixed += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  } else {
    return std::nullopt;
  }
  std::string out(text.substr(0, space + 1));
  out += fixed;
  if (!comment.empty()) out += " " + std::string(comment);
  return out;
}

std::optional<LooseAddress> looseAddress(std::string_view value) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < value.size()) {
    while (at < value.size() && isSpace(value[at])) ++at;
    const std::size_t end = std::min(value.find_first_of(" \t\r\n", at), value.size());
    if (end > at) words.push_back(value.substr(at, end - at));
    at = end;
  }
  for (std::size_t i = words.size(); i-- > 0;) {
    std::string_view word = words[i];
    while (!word.empty() &&
           std::string_view("<>()[],;:\"'").find(word.front()) != std::string_view::npos)
      word.remove_prefix(1);
    while (!word.empty() &&
           std::string_view("<>()[],;:\"'.").find(word.back()) != std::string_view::npos)
      word.remove_suffix(1);
    const std::size_t atSign = word.find('@');
    if (atSign == std::string_view::npos || atSign == 0 || atSign + 1 == word.size()) continue;
    LooseAddress loose;
    loose.address = std::string(word);
    for (std::size_t j = 0; j < i; ++j) {
      if (!loose.name.empty()) loose.name += ' ';
      loose.name += std::string(words[j]);
    }
    if (loose.name.size() >= 2 && loose.name.front() == '"' && loose.name.back() == '"') {
      loose.name = loose.name.substr(1, loose.name.size() - 2);
    }
    return loose;
  }
  return std::nullopt;
}

EnvelopeFields::EnvelopeFields(GMimeObject* object)
    : fields_{{"Subject"}, {"Date"}, {"From"}, {"Sender"}, {"Reply-To"}, {"To"}, {"Cc"}, {"Bcc"}} {
  GMimeHeaderList* headers = g_mime_object_get_header_list(object);
  const int count = g_mime_header_list_get_count(headers);
  for (int i = 0; i < count; ++i) {
    GMimeHeader* header = g_mime_header_list_get_header_at(headers, i);
    const char* rawName = g_mime_header_get_name(header);
    const std::string_view name = rawName != nullptr ? rawName : "";
    for (Field& field : fields_) {
      if (name.size() != field.name.size() ||
          g_ascii_strncasecmp(name.data(), field.name.data(), name.size()) != 0) {
        continue;
      }
      if (field.count++ == 0) field.firstRaw = g_mime_header_get_raw_value(header);
      break;
    }
  }
}

const EnvelopeFields::Field* EnvelopeFields::find(std::string_view name) const {
  for (const Field& field : fields_) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

std::optional<std::string> EnvelopeFields::firstRawValue(std::string_view name) const {
  const Field* field = find(name);
  if (field == nullptr || field->count == 0) return std::nullopt;
  return orEmpty(field->firstRaw);
}

int EnvelopeFields::count(std::string_view name) const {
  const Field* field = find(name);
  return field != nullptr ? field->count : 0;
}

}  // namespace mailferry::mime
