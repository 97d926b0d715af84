// Parsing and checking of the header and the B-tree pages for the reading side.
#include "pst/ndb/NdbReaderLayout.h"

#include <cstring>
#include <optional>
#include <sstream>

#include "pst/Hex.h"
#include "pst/PstError.h"
#include "pst/ndb/Format.h"

namespace mailferry::pst::ndbread {

namespace {

using format::kPageDataSize;
using format::kPageSize;
namespace header = format::header;
// Deep enough for any file: a level-8 B-tree holds more than 20^8 entries.
constexpr std::uint8_t kMaxLevel = 8;

}  // namespace

Header parseHeader(std::span<const std::uint8_t> b, const std::filesystem::path& file) {
  const std::string name = file.string();
  const auto fail = [&name](const std::string& what, std::size_t offset) {
    throw PstError(PstError::Kind::Corrupt, what, name, static_cast<std::int64_t>(offset));
  };
  if (b.size() < format::kHeaderSize) fail("file too short for a PST header", 0);
  if (std::memcmp(b.data(), header::kMagicBytes, 4) != 0)
    fail("not a PST file (header magic is not !BDN)", header::kMagic);
  if (std::memcmp(b.data() + header::kMagicClient, header::kMagicClientPst, 2) != 0)
    fail("not a personal folders file (client magic is not SM)", header::kMagicClient);
  const Header h = decodeHeader(b);
  if (h.version != header::kVersionUnicode)
    fail("unsupported PST version " + std::to_string(h.version) +
             " (only the Unicode format, version 23, is read)",
         header::kVer);
  const std::uint32_t partial =
      format::computeCrc(b.subspan(header::kCrcStart, header::kCrcPartialLength));
  if (partial != h.crcPartial)
    fail("header dwCRCPartial is " + hex(h.crcPartial) + ", computed " + hex(partial),
         header::kCrcPartial);
  const std::uint32_t full =
      format::computeCrc(b.subspan(header::kCrcStart, header::kCrcFullLength));
  if (full != h.crcFull)
    fail("header dwCRCFull is " + hex(h.crcFull) + ", computed " + hex(full), header::kCrcFull);
  if (h.sentinel != header::kSentinelValue)
    fail("header bSentinel is " + hex(h.sentinel) + ", expected 0x80", header::kSentinel);
  if (h.cryptMethod > 1)
    fail("unsupported data encoding bCryptMethod " + hex(h.cryptMethod), header::kCryptMethod);
  return h;
}

namespace {

struct Walk {
  const RawRead& read;
  std::string file;
  std::uint64_t fileSize;
  TreeKind kind;
  const std::function<void(const PageVisit&)>& onPage;
  const std::function<void(std::span<const std::uint8_t>, std::uint64_t)>& onLeafEntry;
  std::optional<std::uint64_t> lastKey;  // last leaf key seen, for the order across pages

  [[noreturn]] void fail(const std::string& what, std::uint64_t offset) const {
    throw PstError(PstError::Kind::Corrupt,
                   std::string(kind == TreeKind::Nodes ? "NBT" : "BBT") + " page: " + what, file,
                   static_cast<std::int64_t>(offset));
  }

  std::uint64_t leafKey(std::span<const std::uint8_t> e) const {
    // The NBT key is a 32-bit NID stored in 8 bytes; the BBT key is the BID with bit 0 clear.
    return kind == TreeKind::Nodes ? le32(e, 0) : (le64(e, 0) & ~std::uint64_t{1});
  }

  void visit(Bref ref, std::optional<std::uint8_t> expectedLevel,
             std::optional<std::uint64_t> expectedFirstKey) {
    const std::uint64_t ib = ref.ib;
    if (ib % kPageSize != 0 || ib < format::kFirstDataOffset)
      fail("page offset " + hex(ib) + " is not a 512-aligned position in the data area", ib);
    if (ib > fileSize || kPageSize > fileSize - ib)
      fail("page at " + hex(ib) + " lies past the end of the file " + hex(fileSize), ib);
    const std::vector<std::uint8_t> page = read(ib, kPageSize);
    const std::span<const std::uint8_t> p(page);
    const std::uint8_t ptype = p[0x1F0];
    if (ptype != static_cast<std::uint8_t>(kind) || p[0x1F1] != ptype)
      fail("page type " + hex(ptype) + "/" + hex(p[0x1F1]) + ", expected " +
               hex(static_cast<std::uint8_t>(kind)),
           ib);
    const Bid bid = le64(p, 0x1F8);
    if (bid != ref.bid)
      fail("trailer bid " + hex(bid) + " differs from its reference " + hex(ref.bid), ib);
    const std::uint16_t sig = le16(p, 0x1F2);
    if (sig != format::computeSig(ib, bid))
      fail("trailer signature " + hex(sig) + ", computed " + hex(format::computeSig(ib, bid)), ib);
    const std::uint32_t crc = le32(p, 0x1F4);
    const std::uint32_t computed = format::computeCrc(p.first(kPageDataSize));
    if (crc != computed) fail("trailer CRC " + hex(crc) + ", computed " + hex(computed), ib);

    const std::uint8_t count = p[0x1E8];
    const std::uint8_t maxCount = p[0x1E9];
    const std::uint8_t entrySize = p[0x1EA];
    const std::uint8_t level = p[0x1EB];
    if (level > kMaxLevel) fail("cLevel " + std::to_string(level) + " is implausible", ib);
    if (expectedLevel && level != *expectedLevel)
      fail("cLevel " + std::to_string(level) + ", expected " + std::to_string(*expectedLevel), ib);
    const std::uint8_t wantSize = (level == 0 && kind == TreeKind::Nodes) ? 32 : 24;
    if (entrySize != wantSize)
      fail("cbEnt " + std::to_string(entrySize) + ", expected " + std::to_string(wantSize), ib);
    if (maxCount != format::btpage::kEntriesSize / entrySize)
      fail("cEntMax " + std::to_string(maxCount) + ", expected " +
               std::to_string(format::btpage::kEntriesSize / entrySize),
           ib);
    if (count > maxCount)
      fail("cEnt " + std::to_string(count) + " exceeds cEntMax " + std::to_string(maxCount), ib);
    if (count == 0 && (level > 0 || expectedLevel)) fail("page without entries", ib);
    onPage({ib, bid, kind, level, count});

    std::optional<std::uint64_t> previous;
    for (std::size_t i = 0; i < count; ++i) {
      const auto e = p.subspan(i * entrySize, entrySize);
      const std::uint64_t key = level == 0 ? leafKey(e) : le64(e, 0);
      const std::uint64_t at = ib + i * entrySize;
      if (i == 0 && expectedFirstKey && key != *expectedFirstKey)
        fail("first key " + hex(key) + " differs from the parent's key " + hex(*expectedFirstKey),
             at);
      if (previous && key <= *previous)
        fail("keys not in ascending order at entry " + std::to_string(i), at);
      previous = key;
      if (level == 0) {
        if (lastKey && key <= *lastKey)
          fail("key " + hex(key) + " not above the previous page's last key " + hex(*lastKey), at);
        lastKey = key;
        onLeafEntry(e, at);
      } else {
        const std::uint64_t nextKey =
            (i + 1 < count) ? le64(p, (i + 1) * entrySize) : ~std::uint64_t{0};
        visit({le64(e, 8), le64(e, 16)}, static_cast<std::uint8_t>(level - 1), key);
        if (lastKey && i + 1 < count && *lastKey >= nextKey)
          fail("child page holds keys beyond the next entry's key " + hex(nextKey), at);
      }
    }
  }
};

}  // namespace

void walkBTree(
    const RawRead& read, const std::filesystem::path& file, std::uint64_t fileSize, TreeKind kind,
    Bref root, const std::function<void(const PageVisit&)>& onPage,
    const std::function<void(std::span<const std::uint8_t>, std::uint64_t)>& onLeafEntry) {
  Walk walk{read, file.string(), fileSize, kind, onPage, onLeafEntry, std::nullopt};
  walk.visit(root, std::nullopt, std::nullopt);
}

std::vector<std::uint8_t> readStoredBlock(const RawRead& read, const std::filesystem::path& file,
                                          const BlockEntry& e) {
  const auto fail = [&](const std::string& what) {
    throw PstError(PstError::Kind::Corrupt, "block " + hex(e.bid) + ": " + what, file.string(),
                   static_cast<std::int64_t>(e.offset));
  };
  const std::uint64_t onDisk = format::blockDiskSize(e.size);
  if (e.offset % format::kBlockAlign != 0 || e.offset < format::kFirstDataOffset)
    fail("offset " + hex(e.offset) + " is not a 64-byte aligned position in the data area");
  if (onDisk > format::kMaxBlockSize)
    fail("larger than 8192 bytes (cb " + std::to_string(e.size) + ")");
  std::vector<std::uint8_t> bytes = read(e.offset, onDisk);
  const std::span<const std::uint8_t> b(bytes);
  const std::size_t t = onDisk - format::kBlockTrailerSize;
  const std::uint16_t cb = le16(b, t + format::blocktrailer::kCb);
  const std::uint16_t sig = le16(b, t + format::blocktrailer::kSig);
  const std::uint32_t crc = le32(b, t + format::blocktrailer::kCrc);
  const Bid trailerBid = le64(b, t + format::blocktrailer::kBid);
  if (cb != e.size)
    fail("trailer cb " + std::to_string(cb) + " differs from the BBT's " + std::to_string(e.size));
  if (trailerBid != e.bid) fail("trailer bid is " + hex(trailerBid));
  if (sig != format::computeSig(e.offset, e.bid))
    fail("trailer signature " + hex(sig) + ", computed " +
         hex(format::computeSig(e.offset, e.bid)));
  const std::uint32_t computed = format::computeCrc(b.first(cb));
  if (crc != computed) fail("trailer CRC " + hex(crc) + ", computed " + hex(computed));
  bytes.resize(cb);
  return bytes;
}

}  // namespace mailferry::pst::ndbread
