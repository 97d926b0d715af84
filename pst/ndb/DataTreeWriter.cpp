// Streaming a byte sequence into full data blocks under an XBLOCK or XXBLOCK, holding at most
// one XBLOCK's worth of leaf BIDs and one XXBLOCK's worth of XBLOCK BIDs.
#include <algorithm>
#include <stdexcept>

#include "pst/PstError.h"
#include "pst/ndb/NodeDatabase.h"
#include "pst/ndb/NodeDatabaseImpl.h"

namespace mailferry::pst {

using namespace format;

struct DataTreeWriter::State {
  NodeDatabase::Impl* db = nullptr;
  std::vector<std::uint8_t> pending;  // the partial block at the end
  std::vector<Bid> leaves;            // of the XBLOCK being filled
  std::vector<Bid> xblocks;           // of the XXBLOCK, once one XBLOCK is full
  std::uint64_t size = 0;
  bool finished = false;

  void emitLeaf(std::span<const std::uint8_t> bytes) {
    if (leaves.size() == kMaxXBlockEntries) {
      if (xblocks.size() == kMaxXBlockEntries) {
        throw PstError(PstError::Kind::Misuse, "data stream too long for an XXBLOCK",
                       db->file.path().string());
      }
      xblocks.push_back(db->writeXBlock(1, leaves));
      leaves.clear();
    }
    leaves.push_back(db->appendBlock(bytes, false, bytes.size()));
  }

  // `last`: nothing follows, so a short last piece is a block of its own straight away
  // instead of being copied aside to wait for more.
  void add(std::span<const std::uint8_t> bytes, bool last) {
    if (finished) throw std::logic_error("DataTreeWriter::append after finish");
    if (size + bytes.size() > 0xFFFFFFFFu) {
      throw PstError(PstError::Kind::Misuse, "data stream longer than 4 GB",
                     db->file.path().string());
    }
    size += bytes.size();
    while (!bytes.empty()) {
      if (pending.empty() && (bytes.size() >= kMaxBlockData || last)) {
        const std::size_t n = std::min(kMaxBlockData, bytes.size());
        emitLeaf(bytes.first(n));  // straight from the caller's buffer
        bytes = bytes.subspan(n);
        continue;
      }
      const std::size_t take = std::min(kMaxBlockData - pending.size(), bytes.size());
      pending.insert(pending.end(), bytes.begin(),
                     bytes.begin() + static_cast<std::ptrdiff_t>(take));
      bytes = bytes.subspan(take);
      if (pending.size() == kMaxBlockData) {
        emitLeaf(pending);
        pending.clear();
      }
    }
  }
};

DataTreeWriter::DataTreeWriter(NodeDatabase& db) : state_(std::make_unique<State>()) {
  state_->db = db.impl_.get();
  // No room is reserved up front: most streams are one property value of a few blocks,
  // written whole, and two 8 KB reservations for each of them kept the allocator busy.
}

DataTreeWriter::DataTreeWriter(DataTreeWriter&&) noexcept = default;
DataTreeWriter::~DataTreeWriter() = default;

void DataTreeWriter::append(std::span<const std::uint8_t> bytes) {
  state_->add(bytes, false);
}

Bid DataTreeWriter::appendAndFinish(std::span<const std::uint8_t> bytes) {
  state_->add(bytes, true);
  return finish();
}

std::uint64_t DataTreeWriter::size() const {
  return state_->size;
}

Bid DataTreeWriter::finish() {
  State& s = *state_;
  if (s.finished) throw std::logic_error("DataTreeWriter::finish called twice");
  s.finished = true;
  if (!s.pending.empty()) {
    s.emitLeaf(s.pending);
    s.pending.clear();
  }
  if (s.xblocks.empty()) {
    if (s.leaves.empty()) return 0;
    if (s.leaves.size() == 1) return s.leaves.front();
    return s.db->writeXBlock(1, s.leaves);
  }
  if (!s.leaves.empty()) {
    if (s.xblocks.size() == kMaxXBlockEntries) {
      throw PstError(PstError::Kind::Misuse, "data stream too long for an XXBLOCK",
                     s.db->file.path().string());
    }
    s.xblocks.push_back(s.db->writeXBlock(1, s.leaves));
  }
  return s.db->writeXBlock(2, s.xblocks);
}

}  // namespace mailferry::pst
