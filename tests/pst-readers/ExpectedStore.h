// The expectation file for compare-readers that describes a synthetic store: its store name,
// every folder, item counts and, for the items asked for, their fields as the generator made
// them (tools/pstgen/SyntheticContent).
#pragma once

#include <filesystem>
#include <set>
#include <string>

#include "tools/pstgen/SyntheticStore.h"

namespace mailferry::pst::testing {

enum class ItemDetail {
  Counts,  // folder item counts only
  Light,   // every item with the fields that order it
  Full,    // every field the generator wrote
};

struct Expectation {
  std::string json;
  std::set<std::string> folderPaths;  // every folder below the IPM subtree
};

// scratch: a folder where attachments are regenerated to state their sha256 (Full detail).
// Only messages below messagesUpTo are expected (a store cut at a commit).
Expectation expectedStore(const pstgen::SyntheticOptions& options, ItemDetail detail,
                          const std::filesystem::path& scratch = {},
                          std::uint32_t messagesUpTo = UINT32_MAX);

void writeText(const std::filesystem::path& file, const std::string& text);

}  // namespace mailferry::pst::testing
