// The message a run shows when it cannot open its target store.
#pragma once

#include <string>

namespace mailferry::store {

inline constexpr const char* kOutlookErrorTitle = "Outlook Error";

// The three fixed lines joined by CR LF, and the actual cause as a fourth line: without
// Outlook in the picture the first two alone would send the user the wrong way.
// The front ends show it in a message box titled "Outlook Error" with the information icon.
std::string outlookErrorText(const std::string& cause);

}  // namespace mailferry::store
