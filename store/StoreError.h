// The error a failing call of the mail-store interface raises; the conversion runs handle it
// under their error rules and show its text as the cause.
#pragma once

#include <stdexcept>
#include <string>

namespace mailferry::store {

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace mailferry::store
