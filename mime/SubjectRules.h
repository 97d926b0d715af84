// The subject prefix rule of [MS-OXCMAIL] 2.2.3.2.6.1: "RE: x" -> prefix "RE: ", normalized "x".
#pragma once

#include <string>
#include <string_view>

namespace mailferry::mime {

struct SubjectParts {
  std::string prefix;      // with the colon and one space, or empty
  std::string normalized;  // the subject without its prefix
};

// Works on UTF-8 text; the 1-3 prefix characters are counted as characters, not bytes.
SubjectParts splitSubject(std::string_view subject);

}  // namespace mailferry::mime
