// Reading a Unicode PST's node database: header, both B-trees, blocks and their trees, each
// structure checked as it is read ([MS-PST] 2.2.2).
#include "pst/ndb/NdbReader.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "pst/Hex.h"
#include "pst/PstError.h"
#include "pst/ndb/Format.h"
#include "pst/ndb/NdbReaderLayout.h"

namespace mailferry::pst {

using namespace ndbread;

namespace {

using format::kBlockTypeData;
using format::kBlockTypeSubnode;

bool isInternal(Bid bid) {
  return format::isInternalBid(bid);
}

}  // namespace

struct NdbReader::Impl {
  std::filesystem::path path;
  mutable std::ifstream file;
  std::uint64_t size = 0;
  Header header;
  std::vector<NodeEntry> nodes;    // key order
  std::vector<BlockEntry> blocks;  // key order

  [[noreturn]] void fail(const std::string& what, std::uint64_t offset) const {
    throw PstError(PstError::Kind::Corrupt, what, path.string(), static_cast<std::int64_t>(offset));
  }

  std::vector<std::uint8_t> raw(std::uint64_t offset, std::size_t count) const {
    if (offset > size || count > size - offset)
      fail("read of " + std::to_string(count) + " bytes beyond the end of the file", offset);
    std::vector<std::uint8_t> bytes(count);
    file.clear();
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    if (!file) fail("read error", offset);
    return bytes;
  }

  const BlockEntry& entry(Bid bid) const {
    const Bid key = bid & ~Bid{1};
    auto it = std::lower_bound(blocks.begin(), blocks.end(), key,
                               [](const BlockEntry& e, Bid k) { return e.bid < k; });
    if (it == blocks.end() || it->bid != key)
      throw PstError(PstError::Kind::Corrupt, "block " + hex(bid) + " is not in the block B-tree",
                     path.string());
    return *it;
  }

  // The block's data bytes as stored (internal blocks) or decoded (external blocks).
  std::vector<std::uint8_t> load(Bid bid) const {
    const BlockEntry& e = entry(bid);
    std::vector<std::uint8_t> bytes =
        readStoredBlock([this](std::uint64_t o, std::size_t n) { return raw(o, n); }, path, e);
    if (!isInternal(e.bid) && header.cryptMethod == static_cast<std::uint8_t>(CryptMethod::Permute))
      format::permuteDecode(bytes);
    return bytes;
  }

  void leaves(Bid bid, int expectedLevel, std::vector<std::vector<std::uint8_t>>& out,
              std::uint64_t& total) const {
    std::vector<std::uint8_t> bytes = load(bid);
    if (!isInternal(bid)) {
      if (expectedLevel > 0)
        fail("data tree " + hex(bid) + ": external block where an XBLOCK was expected",
             entry(bid).offset);
      total += bytes.size();
      out.push_back(std::move(bytes));
      return;
    }
    const std::uint64_t at = entry(bid).offset;
    const std::span<const std::uint8_t> b(bytes);
    if (b.size() < 8 || b[0] != kBlockTypeData)
      fail("block " + hex(bid) + " is not an XBLOCK/XXBLOCK (btype " +
               (b.empty() ? std::string("none") : hex(b[0])) + ")",
           at);
    const std::uint8_t level = b[1];
    const std::uint16_t count = le16(b, 2);
    const std::uint32_t lcbTotal = le32(b, 4);
    if (level < 1 || level > 2 || (expectedLevel >= 0 && level != expectedLevel))
      fail("block " + hex(bid) + ": XBLOCK cLevel " + std::to_string(level) + " out of place", at);
    if (8 + std::size_t{count} * 8 > b.size() || count == 0)
      fail("block " + hex(bid) + ": XBLOCK cEnt " + std::to_string(count) + " does not fit cb " +
               std::to_string(b.size()),
           at);
    std::uint64_t sub = 0;
    for (std::size_t i = 0; i < count; ++i) leaves(le64(b, 8 + 8 * i), level - 1, out, sub);
    if (sub != lcbTotal)
      fail("block " + hex(bid) + ": XBLOCK lcbTotal " + std::to_string(lcbTotal) +
               " differs from the leaves' " + std::to_string(sub) + " bytes",
           at);
    total += sub;
  }

  void subnodes(Bid bid, int expectedLevel, std::vector<SubnodeEntry>& out) const {
    std::vector<std::uint8_t> bytes = load(bid);
    const std::uint64_t at = entry(bid).offset;
    const std::span<const std::uint8_t> b(bytes);
    if (!isInternal(bid) || b.size() < 8 || b[0] != kBlockTypeSubnode)
      fail("block " + hex(bid) + " is not an SLBLOCK/SIBLOCK", at);
    const std::uint8_t level = b[1];
    const std::uint16_t count = le16(b, 2);
    if (level > 1 || (expectedLevel >= 0 && level != expectedLevel))
      fail(
          "block " + hex(bid) + ": subnode block cLevel " + std::to_string(level) + " out of place",
          at);
    const std::size_t entrySize = level == 0 ? 24 : 16;
    if (8 + std::size_t{count} * entrySize > b.size())
      fail("block " + hex(bid) + ": subnode cEnt " + std::to_string(count) + " does not fit cb " +
               std::to_string(b.size()),
           at);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t e = 8 + i * entrySize;
      // Outlook leaves stray bytes in the upper half of the 8-byte NID field: mask them.
      const Nid nid = le32(b, e);
      if (!out.empty() && nid <= out.back().nid)
        fail("block " + hex(bid) + ": subnode entries not in ascending order at entry " +
                 std::to_string(i),
             at);
      if (level == 0) {
        out.push_back({nid, le64(b, e + 8), le64(b, e + 16)});
      } else {
        const std::size_t before = out.size();
        subnodes(le64(b, e + 8), 0, out);
        if (out.size() == before || out[before].nid != nid)
          fail("block " + hex(bid) + ": SIENTRY key " + hex(nid) +
                   " differs from its child's first NID",
               at);
      }
    }
  }
};

NdbReader::NdbReader() : impl_(std::make_unique<Impl>()) {}
NdbReader::~NdbReader() = default;

std::unique_ptr<NdbReader> NdbReader::open(const std::filesystem::path& path) {
  std::unique_ptr<NdbReader> reader(new NdbReader());
  Impl& d = *reader->impl_;
  d.path = path;
  d.file.open(path, std::ios::binary);
  if (!d.file) throw PstError::io("cannot open the file for reading", errno, path.string());
  std::error_code ec;
  d.size = std::filesystem::file_size(path, ec);
  if (ec)
    throw PstError(PstError::Kind::Io, "cannot determine the file size: " + ec.message(),
                   path.string());
  if (d.size < format::kHeaderSize)
    throw PstError(PstError::Kind::Corrupt, "file too short for a PST header", path.string(), 0);
  d.header = parseHeader(d.raw(0, format::kHeaderSize), path);

  const RawRead read = [&d](std::uint64_t offset, std::size_t count) {
    return d.raw(offset, count);
  };
  const auto noPage = [](const PageVisit&) {};
  walkBTree(read, path, d.size, TreeKind::Blocks, d.header.bbt, noPage,
            [&d](std::span<const std::uint8_t> e, std::uint64_t) {
              d.blocks.push_back({le64(e, 0) & ~Bid{1}, le64(e, 8), le16(e, 16), le16(e, 18)});
            });
  walkBTree(read, path, d.size, TreeKind::Nodes, d.header.nbt, noPage,
            [&d](std::span<const std::uint8_t> e, std::uint64_t) {
              d.nodes.push_back({le32(e, 0), le64(e, 8), le64(e, 16), le32(e, 24)});
            });
  return reader;
}

const std::filesystem::path& NdbReader::path() const {
  return impl_->path;
}
CryptMethod NdbReader::crypt() const {
  return static_cast<CryptMethod>(impl_->header.cryptMethod);
}
std::uint64_t NdbReader::fileSize() const {
  return impl_->size;
}

namespace {

// The entry of a vector sorted by `field` whose field is `key`.
template <typename Entry, typename Key>
std::optional<Entry> findSorted(const std::vector<Entry>& sorted, Key Entry::*field, Key key) {
  const auto it = std::lower_bound(sorted.begin(), sorted.end(), key,
                                   [field](const Entry& e, Key k) { return e.*field < k; });
  if (it == sorted.end() || (*it).*field != key) return std::nullopt;
  return *it;
}

}  // namespace

std::optional<NodeEntry> NdbReader::node(Nid nid) const {
  return findSorted(impl_->nodes, &NodeEntry::nid, nid);
}

std::vector<NodeEntry> NdbReader::nodes() const {
  return impl_->nodes;
}

std::optional<BlockEntry> NdbReader::block(Bid bid) const {
  return findSorted(impl_->blocks, &BlockEntry::bid, bid & ~Bid{1});  // without the reserved bit
}

std::vector<BlockEntry> NdbReader::blocks() const {
  return impl_->blocks;
}

std::vector<std::uint8_t> NdbReader::readData(Bid bid) const {
  std::vector<std::uint8_t> out;
  if (bid == 0) return out;
  if (!isInternal(bid)) return impl_->load(bid);
  for (auto& leaf : readLeaves(bid)) out.insert(out.end(), leaf.begin(), leaf.end());
  return out;
}

std::vector<std::vector<std::uint8_t>> NdbReader::readLeaves(Bid bid) const {
  std::vector<std::vector<std::uint8_t>> out;
  if (bid == 0) return out;
  std::uint64_t total = 0;
  impl_->leaves(bid, -1, out, total);
  return out;
}

std::vector<SubnodeEntry> NdbReader::readSubnodes(Bid bid) const {
  std::vector<SubnodeEntry> out;
  if (bid == 0) return out;
  impl_->subnodes(bid, -1, out);
  return out;
}

std::vector<std::uint8_t> NdbReader::readRaw(std::uint64_t offset, std::size_t size) const {
  return impl_->raw(offset, size);
}

}  // namespace mailferry::pst
