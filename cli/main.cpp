// mailferry-convert: converts a folder tree of message files into a new PST file.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/ConvertCommand.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return mailferry::cli::convertMain(args, stdout, stderr);
}
