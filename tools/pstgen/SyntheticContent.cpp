// The deterministic content of a synthetic store.
#include "tools/pstgen/SyntheticContent.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace mailferry::pstgen {

namespace {
constexpr std::string_view kWords[] = {"ferry",   "harbour", "lantern", "pebble",
                                       "orchard", "meadow",  "copper",  "willow",
                                       "signal",  "ember",   "quartz",  "lagoon"};
constexpr std::size_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);

std::string generateWords(std::uint32_t seed, std::size_t bytes) {
  std::string out;
  out.reserve(bytes + 16);
  std::uint32_t state = seed * 2654435761u + 1;
  std::size_t lineLength = 0;
  while (out.size() < bytes) {
    state = state * 1103515245u + 12345u;
    const std::string_view word = kWords[(state >> 16) % kWordCount];
    out += word;
    lineLength += word.size() + 1;
    if (lineLength > 70) {
      out += "\r\n";
      lineLength = 0;
    } else {
      out += ' ';
    }
  }
  return out;
}

// Text of `bytes` bytes that differs between seeds. Generating word by word costs about as
// much as the engine spends writing the text, so bodies are cut from one pool of text made
// once, each starting at a line of its own.
std::string words(std::uint32_t seed, std::size_t bytes) {
  struct Pool {
    std::string text = generateWords(0, 1 << 20);
    std::vector<std::size_t> lineStarts;
    Pool() {
      lineStarts.push_back(0);
      for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
        lineStarts.push_back(i + 1);
    }
  };
  static const Pool pool;
  if (bytes > pool.text.size() / 2) return generateWords(seed, bytes);
  const std::size_t usable = static_cast<std::size_t>(
      std::upper_bound(pool.lineStarts.begin(), pool.lineStarts.end(), pool.text.size() - bytes) -
      pool.lineStarts.begin());
  const std::size_t start = pool.lineStarts[(seed * 2654435761u) % usable];
  return pool.text.substr(start, bytes);
}

// Bodies are put together in one string of the right size: joining them with + made a
// body-sized copy at each step.
std::string joined(std::initializer_list<std::string_view> pieces) {
  std::size_t size = 0;
  for (const std::string_view piece : pieces) size += piece.size();
  std::string out;
  out.reserve(size);
  for (const std::string_view piece : pieces) out += piece;
  return out;
}
}  // namespace

std::string folderName(std::uint32_t index) {
  return "Folder " + std::to_string(index);
}

std::string messageSubject(std::uint32_t index) {
  return "Synthetic message " + std::to_string(index) + " about " +
         std::string(kWords[index % kWordCount]);
}

std::string plainBody(std::uint32_t index, std::uint32_t kb) {
  return joined({"Message ", std::to_string(index), "\r\n", words(index, kb * 1024)});
}

std::string htmlBody(std::uint32_t index, std::uint32_t kb) {
  return joined({"<html><body><p>Message ", std::to_string(index), "</p><p>",
                 words(index, kb * 1024), "</p></body></html>"});
}

std::vector<SyntheticRecipient> messageRecipients(std::uint32_t index) {
  const std::string n = std::to_string(index);
  return {{"To Person " + n, "to" + n + "@example.org", 1},
          {"Cc Person " + n, "cc" + n + "@example.net", 2}};
}

std::string senderName(std::uint32_t index) {
  return "Sender " + std::to_string(index % 97);
}
std::string senderAddress(std::uint32_t index) {
  return "sender" + std::to_string(index % 97) + "@example.com";
}

std::string attachmentName(std::uint32_t index) {
  return "attachment-" + std::to_string(index) + ".bin";
}

void attachmentBytes(std::uint32_t index, std::uint64_t offset, std::span<std::uint8_t> out) {
  // A cheap byte pattern that differs per position and per item and has no period of 64 KB.
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::uint64_t p = offset + i;
    out[i] = static_cast<std::uint8_t>((p * 131) ^ (p >> 11) ^ (index * 29));
  }
}

SyntheticContact contact(std::uint32_t index) {
  SyntheticContact c;
  const std::string n = std::to_string(index);
  c.givenName = "Given" + n;
  c.surname = "Surname" + std::string(kWords[index % kWordCount]);
  c.displayName = c.givenName + " " + c.surname;
  c.fileAs = c.surname + ", " + c.givenName;
  c.email = "contact" + n + "@example.org";
  c.workStreet = n + " " + std::string(kWords[(index + 3) % kWordCount]) + " Street";
  return c;
}

}  // namespace mailferry::pstgen
