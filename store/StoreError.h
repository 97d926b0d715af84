// The errors a failing call of the mail-store interface raises; the conversion runs handle
// them under their error rules and show their text as the cause.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace mailferry::pst {
class PstError;
}

namespace mailferry::store {

// A call that could not be carried out: a bad source file, a name that is taken, a closed store.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file a new store was to be created as exists already: nothing was changed.
class StoreFileExists : public StoreError {
 public:
  using StoreError::StoreError;
};

// The PST file itself could not be written (the disk is full, an I/O error). A run stops at
// the first one: the store holds what was saved before it, or nothing that can be trusted.
class StoreFailure : public StoreError {
 public:
  using StoreError::StoreError;
  // The engine's error told as its cause alone ("no space left on device"), without the
  // file and offset that only the engine's own tests need.
  explicit StoreFailure(const pst::PstError& error);
};

// The store was closed and its file is complete, but the file could not take its final name:
// it keeps the name it was written under. The text is the cause.
class StoreNotRenamed : public StoreError {
 public:
  StoreNotRenamed(std::string finalPath, const std::string& cause)
      : StoreError(cause), finalPath_(std::move(finalPath)) {}
  const std::string& finalPath() const { return finalPath_; }

 private:
  std::string finalPath_;
};

}  // namespace mailferry::store
