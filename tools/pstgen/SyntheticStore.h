// Writes a synthetic store through the messaging layer: nested folders, messages with
// subjects, bodies, recipients and attachments, contacts with named properties. Used by the
// pstgen tool, the reader round trips and the benchmark.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "pst/messaging/CommitPolicy.h"
#include "pst/messaging/PstStore.h"

namespace mailferry::pstgen {

struct SyntheticOptions {
  // Folder i (0-based) lies in folder i-1 unless i is a multiple of depth, in which case it
  // lies in the IPM subtree: chains of `depth` nested folders.
  std::uint32_t folders = 0;
  std::uint32_t depth = 1;
  // Message i goes to folder i % folders (to a folder "Messages" when there are no folders).
  std::uint32_t messages = 0;
  // Contacts go to the default Contacts folder (the store's IPM tree is validated for them).
  std::uint32_t contacts = 0;
  std::uint32_t attachmentKb = 0;  // one attachment per message when > 0
  std::uint32_t bodyKb = 1;
  pst::CommitPolicy commitPolicy{};
  // Called after every `progressEvery` saved items with the count so far.
  std::uint32_t progressEvery = 0;
  std::function<void(std::uint64_t items, pst::PstStore& store)> progress;
};

// The name of the folder messages go to when no folders are asked for.
constexpr const char* kDefaultMessageFolder = "Messages";
// The display name of every synthetic store.
constexpr const char16_t* kSyntheticStoreName = u"Synthetic Store";

void writeSyntheticStore(const std::filesystem::path& path, const SyntheticOptions& options);

}  // namespace mailferry::pstgen
