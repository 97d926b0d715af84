// The default folder set of a validated store and the pointers that designate it.
#include "pst/messaging/DefaultFolders.h"

#include "pst/KnownTags.h"
#include "pst/messaging/PstStore.h"

namespace mailferry::pst {

namespace {

struct DefaultFolderSpec {
  DefaultFolder kind;
  const char16_t* name;
  const char16_t* containerClass;
};

// English default names and container classes ([MS-OXOSFLD] 2.2.8), in Outlook's order.
constexpr DefaultFolderSpec kDefaultFolders[] = {
    {DefaultFolder::Inbox, u"Inbox", u"IPF.Note"},
    {DefaultFolder::Outbox, u"Outbox", u"IPF.Note"},
    {DefaultFolder::SentMail, u"Sent Items", u"IPF.Note"},
    {DefaultFolder::DeletedItems, u"Deleted Items", u"IPF.Note"},
    {DefaultFolder::Calendar, u"Calendar", u"IPF.Appointment"},
    {DefaultFolder::Contacts, u"Contacts", u"IPF.Contact"},
    {DefaultFolder::Journal, u"Journal", u"IPF.Journal"},
    {DefaultFolder::Notes, u"Notes", u"IPF.StickyNote"},
    {DefaultFolder::Tasks, u"Tasks", u"IPF.Task"},
    {DefaultFolder::Drafts, u"Drafts", u"IPF.Note"},
    {DefaultFolder::Junk, u"Junk E-mail", u"IPF.Note"},
};

// [MS-OXOSFLD] 2.2.3: the pointers clients read from the Inbox, then from the root folder.
struct PointerSpec {
  PropTag tag;
  DefaultFolder kind;
};
constexpr PointerSpec kFolderPointers[] = {
    {tags::kIpmAppointmentEntryId, DefaultFolder::Calendar},
    {tags::kIpmContactEntryId, DefaultFolder::Contacts},
    {tags::kIpmJournalEntryId, DefaultFolder::Journal},
    {tags::kIpmNoteEntryId, DefaultFolder::Notes},
    {tags::kIpmTaskEntryId, DefaultFolder::Tasks},
    {tags::kIpmDraftsEntryId, DefaultFolder::Drafts},
};

// [MS-OXOSFLD] 2.2.4: Conflicts, Sync Issues, Local Failures, Server Failures, Junk E-mail;
// Outlook writes one more empty slot, kept here as it does.
constexpr std::size_t kAdditionalRenSlots = 6;
constexpr std::size_t kJunkSlot = 4;

}  // namespace

void DefaultFolders::validate(PstStore& store) {
  store.checkOpen();
  const Nid ipm = store.ipmSubtree();
  for (const auto& spec : kDefaultFolders) {
    auto known = store.defaults_.find(spec.kind);
    if (known != store.defaults_.end() && store.isFolder(known->second)) continue;
    // A folder of the default name made earlier becomes the default rather than a twin.
    auto existing = store.findSubfolder(ipm, spec.name);
    store.defaults_[spec.kind] =
        existing ? *existing : store.createFolder(ipm, spec.name, spec.containerClass);
  }
  auto nidOf = [&store](DefaultFolder kind) { return store.defaults_.at(kind); };
  auto id = [&store](Nid nid) {
    const auto bytes = store.entryId(nid);
    return PropValue::binary(std::span<const std::uint8_t>(bytes));
  };

  const Nid inbox = nidOf(DefaultFolder::Inbox);
  std::vector<std::vector<std::uint8_t>> additional(kAdditionalRenSlots);
  additional[kJunkSlot] = store.entryId(nidOf(DefaultFolder::Junk));
  for (Nid holder : {nids::kRootFolder, inbox}) {
    for (const auto& pointer : kFolderPointers)
      store.setFolderProperty(holder, pointer.tag, id(nidOf(pointer.kind)));
    store.setFolderProperty(holder, tags::kAdditionalRenEntryIds,
                            PropValue::multiBinary(additional));
  }

  store.setStoreProperty(tags::kIpmOutboxEntryId, id(nidOf(DefaultFolder::Outbox)));
  store.setStoreProperty(tags::kIpmWastebasketEntryId, id(nidOf(DefaultFolder::DeletedItems)));
  store.setStoreProperty(tags::kIpmSentMailEntryId, id(nidOf(DefaultFolder::SentMail)));
  store.setStoreProperty(tags::kValidFolderMask, PropValue::int32(0xFF));

  // The Inbox is the receive folder of every class but IPC ([MS-PST] 2.4.3, as Outlook writes it).
  std::erase_if(store.receiveFolders_, [](const auto& row) { return row.first != u"IPC"; });
  store.receiveFolders_.insert(store.receiveFolders_.begin(),
                               {{u"", inbox}, {u"IPM", inbox}, {u"Report.IPM", inbox}});
  store.receiveDirty_ = true;
}

}  // namespace mailferry::pst
