// State shared by the checker's passes: the open file, its header, where each node and block
// entry lies (so that a violation can name an offset), and what the passes found.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "pst/Hex.h"
#include "pst/PropTag.h"
#include "pst/PstError.h"
#include "pst/ndb/NdbReader.h"
#include "pst/ndb/NdbReaderLayout.h"
#include "tools/pstcheck/PstChecker.h"

namespace mailferry::pstcheck {

using pst::Bid;
using pst::hex;
using pst::Nid;
using pst::PstError;

// Thrown when the findings reach their limit: the checks stop there.
struct FindingLimitReached {};

// A node of the NBT (owner 0) or a subnode of a top-level node (owner = that node).
struct NodeObject {
  Nid nid = 0;
  pst::NodeRefs refs;
  Nid owner = 0;
};

struct CheckContext {
  std::filesystem::path path;
  std::unique_ptr<pst::NdbReader> ndb;
  pst::Header header;
  std::uint64_t fileSize = 0;
  // The part of the file the header describes (ibFileEof, or less when the file is shorter)
  // and the whole allocation-map intervals in it: the node-database checks stay inside it.
  std::uint64_t extent = 0;
  std::uint64_t intervals = 0;
  CheckLog log;
  std::size_t maxFindings = 0;
  CheckSummary summary;
  std::vector<PstError> findings;
  std::set<std::string> findingTexts;           // the same fault met by two passes is reported once
  std::map<Nid, std::uint64_t> nbtEntryOffset;  // file offset of each node's NBT entry
  std::map<Bid, std::uint64_t> bbtEntryOffset;  // file offset of each block's BBT entry
  std::vector<NodeObject> objects;              // every node, each followed by its subnodes
  std::map<pst::PropId, std::uint64_t> namedIdsUsed;  // named property ids and where one is used

  // A violation after which the current check cannot go on; attempt() records it.
  [[noreturn]] void fail(const std::string& what, std::uint64_t offset) const {
    throw PstError(PstError::Kind::Corrupt, what, path.string(), static_cast<std::int64_t>(offset));
  }
  // A violation recorded while the check goes on.
  void report(const std::string& what, std::uint64_t offset) {
    record(
        PstError(PstError::Kind::Corrupt, what, path.string(), static_cast<std::int64_t>(offset)));
  }
  void record(const PstError& e) {
    if (!findingTexts.insert(e.what()).second) return;
    findings.push_back(e);
    if (maxFindings != 0 && findings.size() >= maxFindings) throw FindingLimitReached{};
  }
  // Runs one check; a violation that ends it is recorded, and false returned.
  bool attempt(const std::function<void()>& check) {
    try {
      check();
      return true;
    } catch (const PstError& e) {
      record(e);
      return false;
    }
  }
  void note(const std::string& line) const {
    if (log) log(line);
  }
  // Where to point at a node: its NBT entry.
  std::uint64_t nodeOffset(Nid nid) const {
    auto it = nbtEntryOffset.find(nid);
    return it == nbtEntryOffset.end() ? 0 : it->second;
  }
  std::uint64_t blockOffset(Bid bid) const {
    auto b = ndb->block(bid);
    return b ? b->offset : 0;
  }
};

// The header's size and allocation-map fields against the file; sets extent and intervals.
void checkHeaderAgainstFile(CheckContext& c);
void checkNodeDatabase(CheckContext& c);
void checkHeapsAndTables(CheckContext& c);
void checkMessaging(CheckContext& c);

}  // namespace mailferry::pstcheck
