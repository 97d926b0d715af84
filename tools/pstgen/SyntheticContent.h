// The deterministic content of a synthetic store: every name, subject, body, recipient,
// attachment byte and contact field is a function of the item's number, so that a test can
// state what the readers must see without keeping a copy of it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mailferry::pstgen {

std::string folderName(std::uint32_t index);
std::string messageSubject(std::uint32_t index);
// Plain text of about kb kilobytes (at least one line).
std::string plainBody(std::uint32_t index, std::uint32_t kb);
std::string htmlBody(std::uint32_t index, std::uint32_t kb);

struct SyntheticRecipient {
  std::string name;
  std::string address;
  std::int32_t type;  // 1 To, 2 Cc
};
std::vector<SyntheticRecipient> messageRecipients(std::uint32_t index);
std::string senderName(std::uint32_t index);
std::string senderAddress(std::uint32_t index);

std::string attachmentName(std::uint32_t index);
// Bytes [offset, offset + out.size()) of the attachment of message `index`.
void attachmentBytes(std::uint32_t index, std::uint64_t offset, std::span<std::uint8_t> out);

struct SyntheticContact {
  std::string givenName;
  std::string surname;
  std::string displayName;
  std::string fileAs;
  std::string email;
  std::string workStreet;
};
SyntheticContact contact(std::uint32_t index);

}  // namespace mailferry::pstgen
