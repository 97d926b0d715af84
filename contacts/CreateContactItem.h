// The contact item writer: one Outlook contact in the default Contacts folder of the run's
// store, filled from a ContactRecord through the mail-store interface.
#pragma once

#include <optional>
#include <string>

#include "contacts/ContactRecord.h"
#include "store/Session.h"

namespace mailferry::contacts {

inline constexpr int kContactsFolder = 10;

// Looks the store up again by its entry id, adds a contact item to its default folder of
// folderKind, puts the 34 properties by name and the four MAPI properties by tag, and saves
// it. A property that fails is left unset on an item that is still saved. Returns the cause
// when no contact could be stored (store or folder lookup, item creation or save failed).
std::optional<std::string> CreateContactItem(store::Session& session,
                                             const std::string& storeEntryId, int folderKind,
                                             const ContactRecord& record);

}  // namespace mailferry::contacts
