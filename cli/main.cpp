// mailferry-convert: converts a folder tree of message files into a new PST file.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/ConvertCommand.h"

int main(int argc, char** argv) {
  // Nothing may end the program without a word: an error no run expected is told and
  // ends it with the status of a failed run.
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return mailferry::cli::convertMain(args, stdout, stderr);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "mailferry-convert: unexpected error: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "mailferry-convert: unexpected error\n");
  }
  return mailferry::cli::kExitUsage;
}
