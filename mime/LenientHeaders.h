// Header values as mail programs read them where GMime reads them otherwise: split base64
// encoded-words, obsolete time zones, an address without angle brackets, and the first of two
// fields of one name.
#pragma once

#include <gmime/gmime.h>

#include <optional>
#include <string>
#include <string_view>

namespace mailferry::mime {

// `raw` with each run of adjacent base64 encoded-words in one charset, where a word before the
// last ends in "=" padding, joined into one word: GMime decodes such a run as one base64 stream
// and stops at the first padding ("=?utf-8?B?YWI=?= =?utf-8?B?Y2Q=?=" gave "ab", not "abcd").
// nullopt when there is no such run.
std::optional<std::string> joinedEncodedWords(std::string_view raw);

// A Date value with its zone written the way GMime reads it (RFC 5322 4.3): a zone name in any
// case ("cst" -> "CST"), a numeric zone of one to three digits ("-600" -> "-0600", "+5" ->
// "+0500"), a one-letter military zone as "-0000" (their signs were defined backwards and
// cannot be trusted). nullopt when the zone needs nothing.
std::optional<std::string> normalizedDateZone(std::string_view date);

// "Big Bug bb@bug.com": the last word holding an "@" is the address, the words before it the
// name. nullopt when no word holds an "@".
struct LooseAddress {
  std::string name, address;
};
std::optional<LooseAddress> looseAddress(std::string_view value);

// The raw value of the first field named `name` (folding kept), or nullopt.
std::optional<std::string> firstRawValue(GMimeObject* object, const char* name);
// How many fields named `name` the object has.
int fieldCount(GMimeObject* object, const char* name);

}  // namespace mailferry::mime
