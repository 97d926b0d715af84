// Checks of the heaps, B-trees-on-heap, property contexts and table contexts ([MS-PST] 2.3),
// through the engine's own LTP readers, which check every structure as they read it.
#include "pst/PstError.h"
#include "pst/ltp/BTreeOnHeapReader.h"
#include "pst/ltp/HeapFormat.h"
#include "pst/ltp/HeapReader.h"
#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "tools/pstcheck/CheckContext.h"

namespace mailferry::pstcheck {

namespace {

using pst::NidType;

enum class Holds { Properties, Table, AnyHeap, Raw };

// What a node of each type must hold. Queues, search objects and LTP value streams are raw
// bytes; internal nodes other than the store and the name-to-id map may be heaps of any kind.
Holds expected(Nid nid) {
  switch (pst::nidType(nid)) {
    case NidType::Internal:
      return nid == pst::nids::kMessageStore || nid == pst::nids::kNameToIdMap ? Holds::Properties
                                                                               : Holds::AnyHeap;
    case NidType::NormalFolder:
    case NidType::SearchFolder:
    case NidType::NormalMessage:
    case NidType::Attachment:
    case NidType::SearchCriteriaObject:
    case NidType::AssocMessage:
      return Holds::Properties;
    case NidType::ReceiveFolderTable:
    case NidType::OutgoingQueueTable:
    case NidType::HierarchyTable:
    case NidType::ContentsTable:
    case NidType::AssocContentsTable:
    case NidType::AttachmentTable:
    case NidType::RecipientTable:
      return Holds::Table;
    case NidType::SearchContentsTable:
      // Outlook's own "All Messages" search folder keeps this table in a heap with the
      // reserved client signature 0xAC; ours are table contexts, checked as such.
      return Holds::AnyHeap;
    default:
      return static_cast<std::uint8_t>(pst::nidType(nid)) >= 0x16 &&
                     static_cast<std::uint8_t>(pst::nidType(nid)) <= 0x18
                 ? Holds::AnyHeap
                 : Holds::Raw;
  }
}

void noteNamedIds(CheckContext& c, pst::PropTag tag, std::uint64_t where) {
  const pst::PropId id = pst::tagId(tag);
  if (id >= 0x8000 && id != 0xFFFF) c.namedIdsUsed.emplace(id, where);
}

void checkObject(CheckContext& c, const NodeObject& o) {
  const std::string name =
      o.owner ? "subnode " + hex(o.nid) + " of node " + hex(o.owner) : "node " + hex(o.nid);
  Holds holds = expected(o.nid);
  if (holds == Holds::Raw) return;
  if (o.refs.data == 0) {
    if (holds == Holds::AnyHeap) return;
    c.fail(name + " has no data, where a " +
               (holds == Holds::Table ? std::string("table") : std::string("property")) +
               " context belongs",
           o.owner ? c.nodeOffset(o.owner) : c.nodeOffset(o.nid));
  }
  const std::uint64_t at = c.blockOffset(o.refs.data);
  auto leaves = c.ndb->readLeaves(o.refs.data);
  const bool heap =
      !leaves.empty() && leaves[0].size() >= 12 && leaves[0][2] == pst::ltp::kHeapSignature;
  if (holds == Holds::AnyHeap) {
    if (!heap) return;
    const std::uint8_t sig = leaves[0][3];
    holds = sig == pst::ltp::kClientProperties ? Holds::Properties
            : sig == pst::ltp::kClientTable    ? Holds::Table
                                               : Holds::AnyHeap;
  }
  try {
    if (holds == Holds::Properties) {
      pst::PropertyContextReader pc(*c.ndb, o.refs, o.nid);
      for (const auto& p : pc.properties()) noteNamedIds(c, p.tag, at);
      ++c.summary.heaps;
    } else if (holds == Holds::Table) {
      pst::TableContextReader tc(*c.ndb, o.refs, o.nid);
      const auto& cols = tc.columns();
      bool rowId = false;
      bool rowVer = false;
      for (const auto& col : cols) {
        noteNamedIds(c, col.tag, at);
        rowId |= col.tag == 0x67F20003 && col.offset == 0 && col.bit == 0 && col.width == 4;
        rowVer |= col.tag == 0x67F30003 && col.offset == 4 && col.bit == 1 && col.width == 4;
      }
      if (!rowId || !rowVer)
        c.fail(name +
                   ": table without PidTagLtpRowId at offset 0, bit 0 and PidTagLtpRowVer at "
                   "offset 4, bit 1",
               at);
      ++c.summary.heaps;
      ++c.summary.tables;
    } else {
      // A heap with another client signature: its page maps, and its BTH if it has one.
      pst::ltp::HeapReader h(std::move(leaves), name, c.path.string());
      if (h.clientSig() == pst::ltp::kClientBTree && h.userRoot() != 0) {
        const auto head = h.item(h.userRoot());
        if (head.size() >= 4) pst::ltp::BTreeOnHeapReader(h, h.userRoot(), head[1], head[2]);
      }
      ++c.summary.heaps;
    }
  } catch (const PstError& e) {
    if (e.offset() >= 0) throw;
    // The LTP readers name the node and heap page; point at the node's data.
    throw PstError(PstError::Kind::Corrupt, e.what(), c.path.string(),
                   static_cast<std::int64_t>(at));
  }
}

}  // namespace

void checkHeapsAndTables(CheckContext& c) {
  for (const auto& o : c.objects) c.attempt([&] { checkObject(c, o); });
  c.note("heaps: " + std::to_string(c.summary.heaps) +
         " (page maps, item bounds, BTH headers, levels and key order); property contexts "
         "(records sorted, values where their type says); " +
         std::to_string(c.summary.tables) +
         " table contexts (TCOLDESC sorted and inside their groups, RowId/RowVer at 0/4, row "
         "index sorted and inside the matrix, rows not spanning blocks)");
}

}  // namespace mailferry::pstcheck
