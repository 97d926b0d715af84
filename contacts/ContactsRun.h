// The contacts conversion run: every listed Windows Contacts file becomes one contact in the
// default Contacts folder of a new PST store.
#pragma once

#include "sources/RunProgress.h"
#include "sources/RunRequest.h"
#include "store/RunResult.h"

namespace mailferry::contacts {

// Converted contacts and the files that gave none (unreadable or malformed files are reported
// and skipped: no empty contact is written for them).
using ContactsRunResult = store::RunResult;

inline constexpr store::ItemWords kContactWords{"contact", "contacts"};

// Converts every file of the request into a new PST store in the request's output folder and
// reports each file to `progress`. Shows nothing itself: the front end sums the run up.
ContactsRunResult convertContacts(const sources::RunRequest& request,
                                  sources::RunProgress& progress);

}  // namespace mailferry::contacts
