// Table context reader ([MS-PST] 2.3.4): checks TCINFO, the column descriptors, the row index
// and the row matrix, and loads every existing cell of every row.
#include <algorithm>
#include <cstdio>

#include "pst/Hex.h"
#include "pst/ltp/BTreeOnHeapReader.h"
#include "pst/ltp/HnidResolver.h"
#include "pst/ltp/TableContext.h"
#include "pst/ltp/TableLayout.h"

namespace mailferry::pst {

using namespace ltp;

const std::vector<std::uint8_t>* ReadRow::find(PropTag tag) const {
  for (const auto& cell : cells) {
    if (cell.first == tag) return &cell.second;
  }
  return nullptr;
}

namespace {

constexpr std::size_t kTcinfoSize = 22;
constexpr std::size_t kColumnSize = 8;

// [MS-PST] 2.3.4.1, 2.3.4.2: columns sorted by tag, each cell inside the group of its width,
// each bit inside the cell-existence block and used once.
std::vector<ReadColumn> readColumns(const HeapReader& heap, std::span<const std::uint8_t> info,
                                    const std::array<std::uint16_t, 4>& ends) {
  const std::size_t count = info[1];
  std::vector<ReadColumn> columns;
  std::vector<bool> bitsUsed((ends[3] - ends[2]) * 8, false);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kTcinfoSize + i * kColumnSize;
    ReadColumn c{le32(info, at), le16(info, at + 4), info[at + 6], info[at + 7]};
    const auto fault = [&](const std::string& what) {
      heap.fail("TCINFO column " + std::to_string(i) + " (" + hex(c.tag) + "): " + what,
                hidPage(heap.userRoot()), static_cast<std::int64_t>(at));
    };
    if (!columns.empty() && columns.back().tag >= c.tag) fault("not sorted by tag");
    std::size_t groupStart = 0;
    std::size_t groupEnd = 0;
    switch (c.width) {
      case 8:
      case 4:
        groupEnd = ends[0];
        break;
      case 2:
        groupStart = ends[0];
        groupEnd = ends[1];
        break;
      case 1:
        groupStart = ends[1];
        groupEnd = ends[2];
        break;
      default:
        fault("cell width " + std::to_string(c.width));
    }
    if (c.offset < groupStart || c.offset + c.width > groupEnd) {
      fault("cell at " + std::to_string(c.offset) + " outside its group");
    }
    if (TableLayout::cellIsHnid(tagType(c.tag))
            ? c.width != 4
            : c.width != TableLayout::cellWidth(tagType(c.tag))) {
      fault("cell width " + std::to_string(c.width) + " does not suit its type");
    }
    if (c.bit >= bitsUsed.size() || bitsUsed[c.bit])
      fault("existence bit reused or outside the block");
    bitsUsed[c.bit] = true;
    columns.push_back(c);
  }
  return columns;
}

}  // namespace

TableContextReader::TableContextReader(const NdbReader& ndb, NodeRefs refs, Nid nid) {
  const HeapReader heap = readHeap(ndb, refs, describeNode(nid, refs));
  if (heap.clientSig() != kClientTable) {
    heap.fail(
        "heap is no table context (client signature " + std::to_string(heap.clientSig()) + ")", 0,
        3);
  }
  // [MS-PST] 2.3.4.1 TCINFO
  const auto info = heap.item(heap.userRoot());
  if (info.size() < kTcinfoSize || info[0] != kClientTable ||
      info.size() < kTcinfoSize + kColumnSize * info[1]) {
    heap.fail("TCINFO missing, without its 0x7C signature or shorter than its columns");
  }
  std::array<std::uint16_t, 4> ends{};
  for (std::size_t i = 0; i < 4; ++i) ends[i] = le16(info, 2 + 2 * i);
  if (ends[0] > ends[1] || ends[1] > ends[2] || ends[2] > ends[3] ||
      ends[3] - ends[2] < (info[1] + 7) / 8) {
    heap.fail("TCINFO group ends out of order or existence block too small", 0, 2);
  }
  columns_ = readColumns(heap, info, ends);
  const std::size_t rowSize = ends[3];
  const Hid rowIndexHid = le32(info, 10);
  const std::uint32_t hnidRows = le32(info, 14);

  const BTreeOnHeapReader rowIndex(heap, rowIndexHid, 4, 4);
  const HnidResolver values(ndb, heap, refs.sub);

  // The row matrix: one heap item, or the whole-row blocks of a subnode.
  std::vector<std::vector<std::uint8_t>> chunks;
  if (hnidRows != 0 && isHid(hnidRows)) {
    const auto item = heap.item(hnidRows);
    chunks.emplace_back(item.begin(), item.end());
  } else if (hnidRows != 0) {
    const SubnodeEntry* sub = values.subnode(hnidRows);
    if (sub == nullptr) heap.fail("row matrix subnode " + hex(hnidRows) + " missing");
    if (sub->data != 0) chunks = ndb.readLeaves(sub->data);
  }
  // [MS-PST] 2.3.4.4: rows never span blocks. Every block but the last holds as many rows as
  // fit in 8,176 bytes; a full block may be padded to 8,176 bytes, as Outlook writes it, so
  // that row N sits at (N / rowsPerBlock) * 8,176 in the joined blocks.
  std::vector<std::pair<std::size_t, std::size_t>> rowAt;  // (chunk, offset) per position
  if (rowSize == 0 && !chunks.empty()) heap.fail("rows of size 0");
  const std::size_t rowsPerBlock = rowSize == 0 ? 0 : kMaxPageSize / rowSize;
  for (std::size_t c = 0; c < chunks.size(); ++c) {
    const std::size_t size = chunks[c].size();
    const std::size_t rowsHere = size / rowSize;
    const bool padded = size == kMaxPageSize && rowsHere == rowsPerBlock;
    if ((size % rowSize != 0 && !padded) || (c + 1 < chunks.size() && rowsHere != rowsPerBlock)) {
      heap.fail("row matrix block " + std::to_string(c) + " of " + std::to_string(size) +
                " bytes does not hold " +
                (c + 1 < chunks.size() ? std::to_string(rowsPerBlock) : std::string("whole")) +
                " " + std::to_string(rowSize) + "-byte rows");
    }
    for (std::size_t r = 0; r < rowsHere; ++r) rowAt.emplace_back(c, r * rowSize);
  }

  std::vector<std::pair<std::size_t, std::uint32_t>> order;  // (position, row id)
  order.reserve(rowIndex.size());
  for (std::size_t i = 0; i < rowIndex.size(); ++i) {
    const std::uint32_t id = le32(rowIndex.key(i), 0);
    const std::uint32_t position = le32(rowIndex.entry(i), 0);
    if (position >= rowAt.size()) {
      heap.fail("row " + hex(id) + " at position " + std::to_string(position) +
                " past the row matrix (" + std::to_string(rowAt.size()) + " rows)");
    }
    order.emplace_back(position, id);
  }
  std::sort(order.begin(), order.end());
  const std::size_t cebStart = ends[2];
  rows_.reserve(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    const auto [position, id] = order[i];
    if (i > 0 && order[i - 1].first == position) {
      heap.fail("two row ids at row position " + std::to_string(position));
    }
    const auto [chunk, offset] = rowAt[position];
    std::span<const std::uint8_t> r(chunks[chunk].data() + offset, rowSize);
    if (le32(r, 0) != id) {
      heap.fail("row " + std::to_string(position) + " starts with id " + hex(le32(r, 0)) +
                ", its index entry says " + hex(id));
    }
    ReadRow row;
    row.rowId = id;
    for (const ReadColumn& c : columns_) {
      if (!TableLayout::cellExists(r, cebStart, c.bit)) continue;
      if (TableLayout::cellIsHnid(tagType(c.tag))) {
        row.cells.emplace_back(c.tag, values.load(le32(r, c.offset)));
      } else {
        row.cells.emplace_back(
            c.tag, std::vector<std::uint8_t>(r.begin() + c.offset, r.begin() + c.offset + c.width));
      }
    }
    rows_.push_back(std::move(row));
  }
}

}  // namespace mailferry::pst
