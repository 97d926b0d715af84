// The deterministic content of a synthetic store.
#include "tools/pstgen/SyntheticContent.h"

namespace mailferry::pstgen {

namespace {
constexpr const char* kWords[] = {"ferry",  "harbour", "lantern", "pebble", "orchard", "meadow",
                                  "copper", "willow",  "signal",  "ember",  "quartz",  "lagoon"};
constexpr std::size_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);

std::string words(std::uint32_t seed, std::size_t bytes) {
  std::string out;
  std::uint32_t state = seed * 2654435761u + 1;
  std::size_t lineLength = 0;
  while (out.size() < bytes) {
    state = state * 1103515245u + 12345u;
    const char* word = kWords[(state >> 16) % kWordCount];
    out += word;
    lineLength += std::char_traits<char>::length(word) + 1;
    if (lineLength > 70) {
      out += "\r\n";
      lineLength = 0;
    } else {
      out += ' ';
    }
  }
  return out;
}
}  // namespace

std::string folderName(std::uint32_t index) {
  return "Folder " + std::to_string(index);
}

std::string messageSubject(std::uint32_t index) {
  return "Synthetic message " + std::to_string(index) + " about " + kWords[index % kWordCount];
}

std::string plainBody(std::uint32_t index, std::uint32_t kb) {
  return "Message " + std::to_string(index) + "\r\n" + words(index, kb * 1024);
}

std::string htmlBody(std::uint32_t index, std::uint32_t kb) {
  return "<html><body><p>Message " + std::to_string(index) + "</p><p>" + words(index, kb * 1024) +
         "</p></body></html>";
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
  c.surname = std::string("Surname") + kWords[index % kWordCount];
  c.displayName = c.givenName + " " + c.surname;
  c.fileAs = c.surname + ", " + c.givenName;
  c.email = "contact" + n + "@example.org";
  c.workStreet = n + " " + kWords[(index + 3) % kWordCount] + " Street";
  return c;
}

}  // namespace mailferry::pstgen
