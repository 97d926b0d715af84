// Classification of uncaught errors into numbers and descriptions, and the final report.
#include "app/UnexpectedError.h"

#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>

#include "app/ProgramEnd.h"
#include "sources/Dialogs.h"

namespace mailferry::app {

namespace {

int numberForCode(const std::error_code& code) {
  if (code == std::errc::no_such_file_or_directory) return 53;
  if (code == std::errc::permission_denied || code == std::errc::operation_not_permitted) {
    return 70;
  }
  if (code == std::errc::not_a_directory || code == std::errc::filename_too_long) return 76;
  return 75;
}

}  // namespace

ErrorReport describeError(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::bad_alloc&) {
    return {7, "Out of memory"};
  } catch (const std::filesystem::filesystem_error& e) {
    return {numberForCode(e.code()), e.what()};
  } catch (const std::system_error& e) {
    return {numberForCode(e.code()), e.what()};
  } catch (const std::out_of_range& e) {
    return {9, e.what()};
  } catch (const std::length_error& e) {
    return {9, e.what()};
  } catch (const std::invalid_argument& e) {
    return {5, e.what()};
  } catch (const std::domain_error& e) {
    return {5, e.what()};
  } catch (const std::overflow_error& e) {
    return {6, e.what()};
  } catch (const std::underflow_error& e) {
    return {6, e.what()};
  } catch (const std::range_error& e) {
    return {6, e.what()};
  } catch (const std::exception& e) {
    return {440, e.what()};
  } catch (...) {
    return {51, "Internal error"};
  }
}

std::string errorMessageText(const ErrorReport& report) {
  return "Error " + std::to_string(report.number) + "\n\n" + report.description;
}

void reportUnexpectedError(std::exception_ptr error) {
  const ErrorReport report = describeError(error);
  sources::dialogs().messageBox(errorMessageText(report), std::string(sources::kApplicationTitle),
                                sources::MessageIcon::Critical);
  endProgram(1);
}

}  // namespace mailferry::app
