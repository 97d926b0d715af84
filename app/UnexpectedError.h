// The program's uniform handling of an error that no handler traps: a message box with the
// error's number and description under the application title, then the end of the program.
//
// Error numbers follow the classic run-time error numbers that Windows users know:
//   5   invalid argument (std::invalid_argument, std::domain_error)
//   6   overflow (std::overflow_error, std::underflow_error, std::range_error)
//   7   out of memory (std::bad_alloc)
//   9   subscript out of range (std::out_of_range, std::length_error)
//   53  file not found, 70 permission denied, 76 path not found, 75 path/file access error
//       (std::filesystem::filesystem_error and std::system_error, by their error code)
//   440 any other error of the program or its libraries (std::exception)
//   51  internal error (anything that is not a std::exception)
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace mailferry::app {

struct ErrorReport {
  int number;
  std::string description;
};

// Classifies the exception that is currently being handled (or the given one).
ErrorReport describeError(std::exception_ptr error);

// The message box text: "Error <number>" and the description below it.
std::string errorMessageText(const ErrorReport& report);

// Shows the report through the message-box service and ends the program with exit code 1.
void reportUnexpectedError(std::exception_ptr error);

}  // namespace mailferry::app
