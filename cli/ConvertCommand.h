// mailferry-convert: the folder search and a conversion run of the wizard, driven from the
// command line over a terminal window.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace mailferry::cli {

inline constexpr int kExitConverted = 0;   // every file converted
inline constexpr int kExitSomeFailed = 1;  // some files failed, or none matched
inline constexpr int kExitUsage = 2;       // bad arguments, or no store could be made

// Runs the program with its arguments (without the program name); the new PST's path is the
// last line written to `out`, everything else goes to `err`. Returns the exit status.
int convertMain(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace mailferry::cli
