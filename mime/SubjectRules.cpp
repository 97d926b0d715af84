// Subject prefix and normalized subject ([MS-OXCMAIL] 2.2.3.2.6.1, [MS-OXCMSG] 2.2.1.9-10).
#include "mime/SubjectRules.h"

namespace mailferry::mime {

namespace {

std::size_t utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

SubjectParts splitSubject(std::string_view subject) {
  std::size_t pos = 0;
  for (int chars = 0; chars <= 3 && pos < subject.size(); ++chars) {
    const char c = subject[pos];
    if (c == ':') {
      if (chars == 0) break;
      std::size_t rest = pos + 1;
      while (rest < subject.size() && (subject[rest] == ' ' || subject[rest] == '\t')) ++rest;
      return {std::string(subject.substr(0, pos)) + ": ", std::string(subject.substr(rest))};
    }
    if (c == ' ' || c == '\t' || (c >= '0' && c <= '9')) break;
    pos += utf8Length(static_cast<unsigned char>(c));
  }
  return {"", std::string(subject)};
}

}  // namespace mailferry::mime
