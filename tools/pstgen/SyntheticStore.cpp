// Writes a synthetic store through the messaging layer.
#include "tools/pstgen/SyntheticStore.h"

#include <vector>

#include "pst/KnownTags.h"
#include "pst/messaging/AttachmentWriter.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/PstStore.h"
#include "tools/pstgen/SyntheticContent.h"
#include "pst/Utf.h"

namespace mailferry::pstgen {

using namespace mailferry::pst;

namespace {

constexpr std::int32_t kCodepageUtf8 = 65001;
constexpr std::size_t kChunk = 64 * 1024;

const Guid& psetidAddress() {
  static const Guid kGuid = guidFromString("{00062004-0000-0000-C000-000000000046}");
  return kGuid;
}

PropValue text(const std::string& s) {
  return PropValue::utf8(s);
}

void writeMessage(PstStore& store, Nid folder, std::uint32_t index, const SyntheticOptions& o) {
  auto message = store.addMessage(folder);
  message->set(tags::kMessageClass, text("IPM.Note"));
  message->set(tags::kSubject, text(messageSubject(index)));
  message->set(tags::kSenderName, text(senderName(index)));
  message->set(tags::kSenderAddressType, text("SMTP"));
  message->set(tags::kSenderEmailAddress, text(senderAddress(index)));
  message->set(tags::kSentRepresentingName, text(senderName(index)));
  message->set(tags::kSentRepresentingAddressType, text("SMTP"));
  message->set(tags::kSentRepresentingEmailAddress, text(senderAddress(index)));
  const FileTime when = fileTimeFromUnix(1700000000 + static_cast<std::int64_t>(index) * 60);
  message->set(tags::kClientSubmitTime, PropValue::time(when));
  message->set(tags::kMessageDeliveryTime, PropValue::time(when));
  message->set(tags::kMessageFlags, PropValue::int32(index % 2 ? tags::kMsgFlagRead : 0));

  std::string to, cc;
  for (const auto& r : messageRecipients(index)) {
    message->addRecipient({{tags::kRecipientType, PropValue::int32(r.type)},
                           {tags::kDisplayName, text(r.name)},
                           {tags::kAddressType, text("SMTP")},
                           {tags::kEmailAddress, text(r.address)}});
    std::string& list = r.type == 1 ? to : cc;
    list += (list.empty() ? "" : "; ") + r.name;
  }
  message->set(tags::kDisplayTo, text(to));
  message->set(tags::kDisplayCc, text(cc));
  // The header block an imported message keeps; readers that rebuild RFC 822 use it.
  std::string headers = "From: " + senderName(index) + " <" + senderAddress(index) + ">\r\n";
  for (const auto& r : messageRecipients(index))
    headers += (r.type == 1 ? "To: " : "Cc: ") + r.name + " <" + r.address + ">\r\n";
  headers += "Subject: " + messageSubject(index) + "\r\nMIME-Version: 1.0\r\n";
  message->set(tags::kTransportMessageHeaders, text(headers));
  message->set(tags::kBody, text(plainBody(index, o.bodyKb)));
  message->set(tags::kBodyHtml, PropValue::binary(htmlBody(index, o.bodyKb)));
  message->set(tags::kInternetCodepage, PropValue::int32(kCodepageUtf8));

  if (o.attachmentKb > 0) {
    auto attachment = message->addAttachment();
    attachment->set(tags::kAttachMethod, PropValue::int32(tags::kAttachByValue));
    attachment->set(tags::kAttachLongFilename, text(attachmentName(index)));
    attachment->set(tags::kAttachFilename, text(attachmentName(index)));
    attachment->set(tags::kAttachExtension, text(".bin"));
    attachment->set(tags::kAttachMimeTag, text("application/octet-stream"));
    attachment->set(tags::kDisplayName, text(attachmentName(index)));
    const std::uint64_t total = static_cast<std::uint64_t>(o.attachmentKb) * 1024;
    std::vector<std::uint8_t> chunk(kChunk);
    for (std::uint64_t offset = 0; offset < total; offset += kChunk) {
      const std::size_t n =
          static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, total - offset));
      attachmentBytes(index, offset, std::span<std::uint8_t>(chunk.data(), n));
      attachment->appendData(std::span<const std::uint8_t>(chunk.data(), n));
    }
    attachment->close();
  }
  message->save();
}

void writeContact(PstStore& store, Nid folder, std::uint32_t index) {
  const SyntheticContact c = contact(index);
  auto item = store.addMessage(folder);
  item->set(tags::kMessageClass, text("IPM.Contact"));
  item->set(tags::kSubject, text(c.displayName));
  item->set(tags::kDisplayName, text(c.displayName));
  item->set(tags::kGivenName, text(c.givenName));
  item->set(tags::kSurname, text(c.surname));
  item->set(tags::kStreetAddress, text(c.workStreet));
  auto named = [&](std::uint32_t lid, PropType type) {
    return item->namedTag(NamedProperty{psetidAddress(), lid}, type);
  };
  item->set(named(0x8005, PropType::Unicode), text(c.fileAs));  // FileUnder
  item->set(named(0x8080, PropType::Unicode), text(c.displayName + " (" + c.email + ")"));
  item->set(named(0x8082, PropType::Unicode), text("SMTP"));        // Email1AddressType
  item->set(named(0x8083, PropType::Unicode), text(c.email));       // Email1EmailAddress
  item->set(named(0x8084, PropType::Unicode), text(c.email));       // Email1OriginalDisplayName
  item->set(named(0x8045, PropType::Unicode), text(c.workStreet));  // WorkAddressStreet
  item->set(named(0x801B, PropType::Unicode), text(c.workStreet));  // WorkAddress
  item->save();
}

}  // namespace

void writeSyntheticStore(const std::filesystem::path& path, const SyntheticOptions& o) {
  auto store = PstStore::create(path, kSyntheticStoreName, o.commitPolicy);
  std::vector<Nid> folders;
  const std::uint32_t depth = std::max<std::uint32_t>(1, o.depth);
  for (std::uint32_t i = 0; i < o.folders; ++i) {
    const Nid parent = i % depth == 0 ? store->ipmSubtree() : folders.back();
    folders.push_back(store->addFolder(parent, toUtf16(folderName(i))));
  }
  if (folders.empty() && o.messages > 0)
    folders.push_back(store->addFolder(store->ipmSubtree(), toUtf16(kDefaultMessageFolder)));

  std::uint64_t saved = 0;
  auto progress = [&] {
    ++saved;
    if (o.progress && o.progressEvery && saved % o.progressEvery == 0) o.progress(saved, *store);
  };
  for (std::uint32_t i = 0; i < o.messages; ++i) {
    writeMessage(*store, folders[i % folders.size()], i, o);
    progress();
  }
  if (o.contacts > 0) {
    store->validateIpmTree();
    const Nid contacts = *store->defaultFolder(DefaultFolder::Contacts);
    for (std::uint32_t i = 0; i < o.contacts; ++i) {
      writeContact(*store, contacts, i);
      progress();
    }
  }
  store->close();
}

}  // namespace mailferry::pstgen
