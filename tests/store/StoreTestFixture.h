// A temporary folder and a logged-on session holding one new store, for the store tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "sources/PathSeparator.h"
#include "store/Session.h"
#include "tests/support/TempFolder.h"

namespace mailferry::store::testing {

class StoreTest : public ::testing::Test {
 protected:
  void TearDown() override { session_.reset(); }

  // A logged-on session with one new store of that display name.
  Store addStore(const std::string& displayName, const std::string& file = "store.pst") {
    if (!session_) {
      session_ = std::make_unique<Session>();
      session_->Logon();
    }
    return session_->Stores().AddPSTStore(dir_ / file, StoreList::kDefaultStoreFormat, displayName);
  }

  static std::string path(std::initializer_list<const char*> names, bool absolute = true) {
    std::string text;
    bool first = true;
    for (const char* name : names) {
      if (!first || absolute) text += sources::kPathSeparator;
      text += name;
      first = false;
    }
    return text;
  }

  mailferry::testing::TempFolder folder_{"store"};
  const std::filesystem::path dir_ = folder_.path();
  std::unique_ptr<Session> session_;
};

}  // namespace mailferry::store::testing
