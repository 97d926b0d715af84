// A plain-text rendition of an HTML body, for PidTagBody when a message has HTML only, and the
// charset an HTML document declares for itself.
#pragma once

#include <string>
#include <string_view>

namespace mailferry::mime {

// Drops tags, comments, scripts and styles, turns block ends and <br> into line breaks, decodes
// character references and folds runs of blanks. Input and output are UTF-8.
std::string htmlToText(std::string_view html);

// The charset of a <meta charset=...> or <meta http-equiv content="...; charset=..."> near the
// start of the document, or empty.
std::string htmlMetaCharset(std::string_view html);

}  // namespace mailferry::mime
