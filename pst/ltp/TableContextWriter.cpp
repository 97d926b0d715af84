// Table context writer ([MS-PST] 2.3.4): packed rows, row index BTH, row matrix in the heap or
// in a subnode of whole-row blocks, variable-size cells in the heap or in subnodes; repeated
// writes reuse the blocks of unchanged heap pages and row-matrix blocks.
#include <algorithm>
#include <map>
#include <stdexcept>
#include <unordered_map>

#include "pst/ltp/BTreeOnHeapWriter.h"
#include "pst/ltp/HeapWriter.h"
#include "pst/ltp/TableContext.h"
#include "pst/ltp/TableLayout.h"

namespace mailferry::pst {

using namespace ltp;

struct TableContextWriter::Impl {
  explicit Impl(std::vector<PropTag> cols)
      : columns(std::move(cols)),
        layout(columns),
        rowSize(layout.rowSize()),
        cebStart(layout.groupEnds()[2]),
        rowsPerBlock(kMaxPageSize / layout.rowSize()) {
    // Outlook's order: the row index BTHHEADER is item 1, the TCINFO item 2.
    rowIndex.allocateHeader(heap);
    tcinfo = heap.allocate(layout.tcinfo(0, 0));
    heap.setUserRoot(tcinfo);
  }

  std::vector<PropTag> columns;
  TableLayout layout;
  std::size_t rowSize;
  std::size_t cebStart;
  std::size_t rowsPerBlock;

  HeapWriter heap{kClientTable};
  BTreeOnHeapWriter rowIndex{4, 4};
  Hid tcinfo = 0;

  std::vector<std::uint8_t> matrix;                            // the rows, rowSize bytes each
  std::vector<std::pair<std::uint32_t, std::uint32_t>> index;  // (row id, position), by id
  // Variable-size cells not yet placed, by row id: (column index, value).
  std::unordered_map<std::uint32_t, std::vector<std::pair<std::size_t, PropValue>>> pending;
  std::map<Nid, SubnodeEntry> valueSubnodes;  // cells too big for the heap
  std::uint32_t rowVersion = 0;

  Hid matrixHid = 0;  // the row matrix as a heap item
  Nid matrixNid = 0;  // the row matrix as a subnode
  std::vector<Bid> matrixBlocks;
  std::vector<bool> matrixDirty;

  std::span<std::uint8_t> row(std::size_t position) {
    return std::span<std::uint8_t>(matrix).subspan(position * rowSize, rowSize);
  }
  std::vector<std::pair<std::uint32_t, std::uint32_t>>::iterator findRow(std::uint32_t rowId) {
    return std::lower_bound(index.begin(), index.end(), std::make_pair(rowId, std::uint32_t{0}),
                            [](const auto& a, const auto& b) { return a.first < b.first; });
  }
  void markDirty(std::size_t position) {
    const std::size_t block = position / rowsPerBlock;
    if (matrixDirty.size() <= block) matrixDirty.resize(block + 1, true);
    matrixDirty[block] = true;
  }
  // Frees the heap items and subnodes that the row's variable-size cells hold.
  void releaseCells(std::size_t position) {
    const auto r = row(position);
    for (const ColumnLayout& c : layout.columns()) {
      if (!TableLayout::cellIsHnid(tagType(c.tag))) continue;
      const std::uint32_t hnid = le32(r, c.offset);
      if (hnid == 0) continue;
      if (isHid(hnid)) {
        heap.free(hnid);
      } else {
        valueSubnodes.erase(hnid);
      }
    }
  }
  std::uint32_t placeValue(NodeDatabase& db, const PropValue& value) {
    if (value.isStreamed()) {
      if (value.streamed().bid == 0) return 0;
      const Nid nid = db.allocateNid(NidType::Ltp);
      valueSubnodes[nid] = {nid, value.streamed().bid, 0};
      return nid;
    }
    const auto& bytes = value.bytes();
    if (bytes.empty()) return 0;
    if (bytes.size() <= kMaxItemSize) return heap.allocate(bytes);
    DataTreeWriter stream = db.streamData();
    stream.append(bytes);
    const Nid nid = db.allocateNid(NidType::Ltp);
    valueSubnodes[nid] = {nid, stream.finish(), 0};
    return nid;
  }
};

TableContextWriter::TableContextWriter(std::vector<PropTag> columns)
    : impl_(std::make_unique<Impl>(std::move(columns))) {}
TableContextWriter::~TableContextWriter() = default;
TableContextWriter::TableContextWriter(TableContextWriter&&) noexcept = default;
TableContextWriter& TableContextWriter::operator=(TableContextWriter&&) noexcept = default;

const std::vector<PropTag>& TableContextWriter::columns() const {
  return impl_->columns;
}
std::size_t TableContextWriter::rowCount() const {
  return impl_->index.size();
}

void TableContextWriter::upsertRow(std::uint32_t rowId, Cells cells) {
  Impl& t = *impl_;
  auto it = t.findRow(rowId);
  std::size_t position;
  if (it != t.index.end() && it->first == rowId) {
    position = it->second;
    t.releaseCells(position);
    t.pending.erase(rowId);
  } else {
    position = t.index.size();
    t.index.insert(it, {rowId, static_cast<std::uint32_t>(position)});
    t.matrix.resize(t.matrix.size() + t.rowSize);
  }
  t.markDirty(position);
  const auto r = t.row(position);
  std::fill(r.begin(), r.end(), 0);
  // [MS-PST] 2.3.4.3.1: the row id and row version lead every row.
  writeLe(r, 0, rowId, 4);
  writeLe(r, 4, ++t.rowVersion, 4);
  TableLayout::setCellExists(r, t.cebStart, 0);
  TableLayout::setCellExists(r, t.cebStart, 1);
  for (auto& [tag, value] : cells) {
    if (tag == tags::kLtpRowId || tag == tags::kLtpRowVer) continue;
    const auto column = t.layout.indexOf(tag);
    if (!column) continue;
    const ColumnLayout& c = t.layout.columns()[*column];
    TableLayout::setCellExists(r, t.cebStart, c.bit);
    const PropType type = tagType(tag);
    if (TableLayout::cellIsHnid(type)) {
      writeLe(r, c.offset, 0, 4);
      auto& cellsOfRow = t.pending[rowId];
      if (cellsOfRow.capacity() == 0) cellsOfRow.reserve(cells.size());
      std::erase_if(cellsOfRow, [&](const auto& p) { return p.first == *column; });
      if (value.isStreamed() ? value.streamed().bid != 0 : !value.bytes().empty()) {
        cellsOfRow.emplace_back(*column, std::move(value));
      }
    } else if (value.isStreamed()) {
      throw std::logic_error("table: a fixed-size cell cannot be streamed");
    } else if (type == PropType::Boolean) {
      r[c.offset] = !value.bytes().empty() && value.bytes()[0] != 0 ? 1 : 0;
    } else {
      const auto& bytes = value.bytes();
      std::fill_n(r.begin() + c.offset, c.width, 0);
      std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), c.width),
                  r.begin() + c.offset);
    }
  }
}

bool TableContextWriter::removeRow(std::uint32_t rowId) {
  Impl& t = *impl_;
  auto it = t.findRow(rowId);
  if (it == t.index.end() || it->first != rowId) return false;
  const std::size_t position = it->second;
  t.releaseCells(position);
  t.pending.erase(rowId);
  t.index.erase(it);
  // The matrix order is free: the last row fills the hole, so only two blocks change.
  const std::size_t last = t.index.size();
  if (position != last) {
    const auto from = t.row(last);
    std::copy(from.begin(), from.end(), t.row(position).begin());
    t.findRow(le32(from, 0))->second = static_cast<std::uint32_t>(position);
    t.markDirty(position);
  }
  t.markDirty(last);
  t.matrix.resize(last * t.rowSize);
  return true;
}

NodeRefs TableContextWriter::write(NodeDatabase& db) {
  Impl& t = *impl_;
  const std::size_t rows = t.index.size();

  // [MS-PST] 2.3.4.3 row index: dwRowID -> dwRowIndex, sorted by row id.
  std::vector<std::uint8_t> records;
  records.reserve(rows * 8);
  for (const auto& [id, position] : t.index) {
    appendLe(records, id, 4);
    appendLe(records, position, 4);
  }
  t.rowIndex.update(t.heap, records);

  const std::size_t matrixSize = t.matrix.size();
  const bool inHeap = matrixSize > 0 && matrixSize <= kMaxItemSize;
  if (inHeap) {
    // Allocated before the cells' values so that it comes next in the heap, as in Outlook's.
    t.matrixHid =
        t.matrixHid == 0 ? t.heap.allocate(t.matrix) : t.heap.replace(t.matrixHid, t.matrix);
  } else if (t.matrixHid != 0) {
    t.heap.free(t.matrixHid);
    t.matrixHid = 0;
  }

  // Place the variable-size cells of the rows written since the last time, in row order.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> order;  // (position, row id)
  order.reserve(t.pending.size());
  for (const auto& entry : t.pending)
    order.emplace_back(t.findRow(entry.first)->second, entry.first);
  std::sort(order.begin(), order.end());
  for (const auto& [position, id] : order) {
    const auto r = t.row(position);
    for (const auto& [column, value] : t.pending[id]) {
      writeLe(r, t.layout.columns()[column].offset, t.placeValue(db, value), 4);
    }
    t.markDirty(position);
  }
  t.pending.clear();

  std::uint32_t hnidRows = 0;
  std::vector<SubnodeEntry> subnodes;
  if (inHeap) {
    t.matrixHid = t.heap.replace(t.matrixHid, t.matrix);
    hnidRows = t.matrixHid;
  } else if (rows > 0) {
    // [MS-PST] 2.3.4.3: in a subnode, every block holds whole rows only.
    const std::size_t blocks = (rows + t.rowsPerBlock - 1) / t.rowsPerBlock;
    t.matrixBlocks.resize(blocks, 0);
    t.matrixDirty.resize(blocks, true);
    for (std::size_t b = 0; b < blocks; ++b) {
      if (!t.matrixDirty[b] && t.matrixBlocks[b] != 0) continue;
      const std::size_t first = b * t.rowsPerBlock;
      const std::size_t count = std::min(t.rowsPerBlock, rows - first);
      // A full block is padded to 8,176 bytes, as Outlook writes it: readers find row N at
      // (N / rowsPerBlock) * 8,176 in the joined blocks.
      std::vector<std::uint8_t> block(
          t.matrix.begin() + static_cast<std::ptrdiff_t>(first * t.rowSize),
          t.matrix.begin() + static_cast<std::ptrdiff_t>((first + count) * t.rowSize));
      if (count == t.rowsPerBlock) block.resize(kMaxPageSize, 0);
      t.matrixBlocks[b] = db.writeBlock(block);
      t.matrixDirty[b] = false;
    }
    if (t.matrixNid == 0) t.matrixNid = db.allocateNid(NidType::Ltp);
    subnodes.push_back({t.matrixNid, db.writeDataTree(t.matrixBlocks), 0});
    hnidRows = t.matrixNid;
  }
  if (inHeap || rows == 0) {
    // Whole-row blocks are rebuilt from scratch if the matrix leaves the heap again.
    t.matrixBlocks.clear();
    t.matrixDirty.clear();
  }

  t.tcinfo = t.heap.replace(t.tcinfo, t.layout.tcinfo(t.rowIndex.header(), hnidRows));
  t.heap.setUserRoot(t.tcinfo);

  for (const auto& entry : t.valueSubnodes) subnodes.push_back(entry.second);
  NodeRefs refs;
  refs.data = t.heap.write(db);
  refs.sub = subnodes.empty() ? 0 : db.writeSubnodes(std::move(subnodes));
  return refs;
}

}  // namespace mailferry::pst
