// Filling a contact item from a ContactRecord: the properties by name in the writer's order,
// the four MAPI properties by tag, then what Outlook derives on save.
#pragma once

#include "contacts/ContactRecord.h"
#include "pst/messaging/MessageSink.h"

namespace mailferry::contacts {

// The record's text fields are written as they are (the run trims them first). Empty values
// leave their properties unset. IMAddress joins IMAddress1-3 with single spaces, dropping
// empty ones, so an empty record gives no IM address rather than two blanks.
void writeContactRecord(const ContactRecord& record, pst::MessageSink& item);

}  // namespace mailferry::contacts
