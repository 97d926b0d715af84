// The email conversion run: imports every listed message file into a new PST store, inside a
// folder tree that repeats the folders the files come from.
#pragma once

#include "sources/RunProgress.h"
#include "sources/RunRequest.h"
#include "store/RunResult.h"

namespace mailferry::email {

using EmailRunResult = store::RunResult;

// Flags every converted message carries: read, and has-attachment when it has one.
inline constexpr int kMsgFlagRead = 0x1;
inline constexpr int kMsgFlagHasAttach = 0x10;

inline constexpr store::ItemWords kMessageWords{"message", "messages"};

// Imports every file of the request into a new PST store in the request's output folder and
// reports each step to `progress`. Shows nothing itself: the front end sums the run up.
EmailRunResult convertEmails(const sources::RunRequest& request, sources::RunProgress& progress);

}  // namespace mailferry::email
