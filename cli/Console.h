// What the command-line program asks of the system's console: whether a stream is a terminal,
// its width, and the arguments as UTF-8 (Windows hands main() the ANSI code page).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace mailferry::cli {

bool isTerminal(std::FILE* stream);
// Columns of the terminal `stream` writes to; 80 when unknown.
int terminalColumns(std::FILE* stream);
// The program's arguments (without the program name) as UTF-8, and, on Windows, the console
// switched to UTF-8 output so that file names print as they are.
std::vector<std::string> utf8Arguments(int argc, char** argv);

}  // namespace mailferry::cli
