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

// The envelope fields of a message (Subject, Date, From, Sender, Reply-To, To, Cc, Bcc) found in
// one walk over its header list: the raw value of the first of each name (folding kept) and
// how many there are.
class EnvelopeFields {
 public:
  explicit EnvelopeFields(GMimeObject* object);
  // nullopt when there is no such field; `name` is one of the names above.
  std::optional<std::string> firstRawValue(std::string_view name) const;
  int count(std::string_view name) const;

 private:
  struct Field {
    std::string_view name;
    const char* firstRaw = nullptr;
    int count = 0;
  };
  const Field* find(std::string_view name) const;
  Field fields_[8];
};

}  // namespace mailferry::mime
