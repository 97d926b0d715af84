// The message a run's front end shows when the new PST file cannot be created.
#pragma once

#include <string>

namespace mailferry::store {

// "The PST file could not be created." and the cause on a line of its own, shown under the
// application's title with the warning icon.
std::string storeCreationErrorText(const std::string& cause);

}  // namespace mailferry::store
