// mailferry-convert: converts a folder tree of message files into a new PST file.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/ConvertCommand.h"

int main(int argc, char** argv) {
  // Nothing may end the program without a word: an error no run expected is told and
  // ends it with the status of a failed run.
  try {
    return mailferry::cli::convertMain(mailferry::cli::utf8Arguments(argc, argv), stdout, stderr);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "mailferry-convert: unexpected error: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "mailferry-convert: unexpected error\n");
  }
  return mailferry::cli::kExitUsage;
}
