// The reading side's checks of the fixed structures of the node database: the header and
// the B-tree pages, each checked as it is read. Shared by NdbReader and pstcheck.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

#include "pst/ndb/Header.h"
#include "pst/ndb/NdbReader.h"

namespace mailferry::pst::ndbread {

using RawRead = std::function<std::vector<std::uint8_t>(std::uint64_t offset, std::size_t size)>;

// Parses the header and checks its magic, version, sentinel, encoding and both CRCs.
Header parseHeader(std::span<const std::uint8_t> bytes, const std::filesystem::path& file);

enum class TreeKind : std::uint8_t { Blocks = 0x80, Nodes = 0x81 };

struct PageVisit {
  std::uint64_t offset = 0;
  Bid bid = 0;
  TreeKind kind = TreeKind::Nodes;
  std::uint8_t level = 0;
  std::uint8_t entryCount = 0;
};

// Walks a B-tree from its root ([MS-PST] 2.2.2.7.7), checking every page's trailer, CRC,
// signature, entry layout, levels and the order of keys across the whole tree. onLeafEntry
// gets each leaf entry's bytes (24 for the BBT, 32 for the NBT) and its file offset.
void walkBTree(
    const RawRead& read, const std::filesystem::path& file, std::uint64_t fileSize, TreeKind kind,
    Bref root, const std::function<void(const PageVisit&)>& onPage,
    const std::function<void(std::span<const std::uint8_t>, std::uint64_t)>& onLeafEntry);

// Reads a block as stored (still encoded) and checks its alignment, size and trailer (cb,
// signature, CRC over the stored bytes, bid) against its BBT entry ([MS-PST] 2.2.2.8.1).
std::vector<std::uint8_t> readStoredBlock(const RawRead& read, const std::filesystem::path& file,
                                          const BlockEntry& entry);

}  // namespace mailferry::pst::ndbread
