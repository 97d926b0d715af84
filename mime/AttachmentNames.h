// Attachment file names: the long name cleaned of characters Windows refuses, its extension,
// a fallback name from the MIME type, and the unique 8.3 short name of one message.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace mailferry::mime {

// Control characters and " * / : < > ? \ | become '_'; leading/trailing blanks and dots go.
std::string sanitizeFileName(std::string_view name);

// ".pdf" for "report.final.pdf"; empty when there is none.
std::string fileExtension(std::string_view name);

// ".png" for "image/png", ".dat" when unknown.
std::string extensionForMimeType(std::string_view mimeType);

// Hands out the 8.3 short names of one message's attachments: a name that already fits 8.3 is
// kept, others become the first six base-name characters + "~n" + up to three extension
// characters, upper case, n chosen so that no two attachments share a short name.
class ShortNames {
 public:
  std::string assign(std::string_view longName);

 private:
  std::set<std::string> used_;
};

}  // namespace mailferry::mime
