// Encoding of XBLOCK, XXBLOCK, SLBLOCK and SIBLOCK, and the references they hold.
#include "pst/ndb/InternalBlocks.h"

#include <stdexcept>

#include "pst/PstError.h"
#include "pst/ndb/Format.h"

namespace mailferry::pst {

using namespace format;

namespace {
std::vector<std::uint8_t> startBlock(std::uint8_t type, std::uint8_t level, std::size_t count,
                                     std::size_t entrySize) {
  std::vector<std::uint8_t> b(kInternalBlockHeader + count * entrySize, 0);
  b[0] = type;
  b[1] = level;
  store16(&b[2], static_cast<std::uint16_t>(count));
  return b;
}
}  // namespace

std::vector<std::uint8_t> encodeXBlock(std::uint8_t level, std::span<const Bid> children,
                                       std::uint32_t totalSize) {
  if (children.size() > kMaxXBlockEntries) throw std::logic_error("too many XBLOCK entries");
  auto b = startBlock(kBlockTypeData, level, children.size(), 8);
  store32(&b[4], totalSize);  // lcbTotal
  for (std::size_t i = 0; i < children.size(); ++i) store64(&b[8 + 8 * i], children[i]);
  return b;
}

std::vector<std::uint8_t> encodeSlBlock(std::span<const SubnodeEntry> entries) {
  if (entries.size() > kMaxSlEntries) throw std::logic_error("too many SLBLOCK entries");
  auto b = startBlock(kBlockTypeSubnode, 0, entries.size(), 24);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::uint8_t* e = &b[8 + 24 * i];
    store64(e, entries[i].nid);
    store64(e + 8, entries[i].data);
    store64(e + 16, entries[i].sub);
  }
  return b;
}

std::vector<std::uint8_t> encodeSiBlock(std::span<const std::pair<Nid, Bid>> children) {
  if (children.size() > kMaxSiEntries) throw std::logic_error("too many SIBLOCK entries");
  auto b = startBlock(kBlockTypeSubnode, 1, children.size(), 16);
  for (std::size_t i = 0; i < children.size(); ++i) {
    store64(&b[8 + 16 * i], children[i].first);
    store64(&b[8 + 16 * i + 8], children[i].second);
  }
  return b;
}

std::vector<Bid> internalBlockReferences(std::span<const std::uint8_t> block) {
  if (block.size() < kInternalBlockHeader)
    throw PstError(PstError::Kind::Corrupt, "internal block too short");
  const std::uint8_t type = block[0];
  const std::uint8_t level = block[1];
  const std::size_t count = load16(&block[2]);
  std::size_t entrySize = 0;
  std::vector<std::size_t> bidFields;  // offsets of the BIDs inside one entry
  if (type == kBlockTypeData && (level == 1 || level == 2)) {
    entrySize = 8, bidFields = {0};
  } else if (type == kBlockTypeSubnode && level == 0) {
    entrySize = 24, bidFields = {8, 16};
  } else if (type == kBlockTypeSubnode && level == 1) {
    entrySize = 16, bidFields = {8};
  } else {
    throw PstError(PstError::Kind::Corrupt, "unknown internal block type");
  }
  if (kInternalBlockHeader + count * entrySize > block.size()) {
    throw PstError(PstError::Kind::Corrupt, "internal block entries overrun the block");
  }
  std::vector<Bid> refs;
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t f : bidFields) {
      const Bid bid = load64(&block[kInternalBlockHeader + i * entrySize + f]);
      if (bid != 0) refs.push_back(bid);
    }
  }
  return refs;
}

}  // namespace mailferry::pst
