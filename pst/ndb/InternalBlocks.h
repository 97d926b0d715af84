// Layouts of the internal blocks, which are never encoded: XBLOCK and XXBLOCK
// ([MS-PST] 2.2.2.8.3.2), SLBLOCK and SIBLOCK ([MS-PST] 2.2.2.8.3.3).
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "pst/PstError.h"
#include "pst/ndb/NodeDatabase.h"

namespace mailferry::pst {

// cLevel 1 (children are data blocks) or 2 (children are XBLOCKs).
std::vector<std::uint8_t> encodeXBlock(std::uint8_t level, std::span<const Bid> children,
                                       std::uint32_t totalSize);
// Entries sorted by nid, at most 340.
std::vector<std::uint8_t> encodeSlBlock(std::span<const SubnodeEntry> entries);
// (first nid, SLBLOCK) pairs sorted by nid, at most 510.
std::vector<std::uint8_t> encodeSiBlock(std::span<const std::pair<Nid, Bid>> children);

// Every BID an internal block refers to (the references it holds); throws PstError on a
// malformed block.
std::vector<Bid> internalBlockReferences(std::span<const std::uint8_t> block);

}  // namespace mailferry::pst
