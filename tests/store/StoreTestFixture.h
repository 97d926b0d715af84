// A temporary folder and a logged-on session holding one new store, for the store tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>

#include "sources/PathSeparator.h"
#include "store/Session.h"

namespace mailferry::store::testing {

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = std::filesystem::temp_directory_path() /
           ("mailferry-store-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    session_.reset();
    std::filesystem::remove_all(dir_);
  }

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

  std::filesystem::path dir_;
  std::unique_ptr<Session> session_;
};

}  // namespace mailferry::store::testing
