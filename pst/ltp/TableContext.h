// Table contexts ([MS-PST] 2.3.4): rows of fixed-width cells with a cell-existence bitmap,
// a row index keyed by row id, variable-size cells in the heap or in subnodes, and the row
// matrix in the heap or, past one heap item, in a subnode of whole-row blocks.
//
// The writer keeps its rows in memory and can be written again and again as rows are added
// (a folder's contents table at each commit): write() reuses the blocks of heap pages and
// row-matrix blocks that did not change since the previous write, so the cost of a write
// follows what changed, not the size of the table.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "pst/PropValue.h"
#include "pst/ndb/NdbReader.h"
#include "pst/ndb/NodeDatabase.h"

namespace mailferry::pst {

using Cells = std::vector<std::pair<PropTag, PropValue>>;

class TableContextWriter {
 public:
  // The columns besides PidTagLtpRowId and PidTagLtpRowVer, which every table has. Their
  // order matters: existence bits and cell places follow it the way Outlook's do, so Outlook's
  // templates are reproduced exactly when their columns are given in the order of their bits.
  explicit TableContextWriter(std::vector<PropTag> columns);
  ~TableContextWriter();
  TableContextWriter(TableContextWriter&&) noexcept;
  TableContextWriter& operator=(TableContextWriter&&) noexcept;

  const std::vector<PropTag>& columns() const;
  // Adds or replaces the row with this id. Cells for tags that are not columns are ignored;
  // a column without a cell is absent in the row (its existence bit is clear).
  // Takes the cells by value: the values of a temporary row are moved, not copied, into the
  // table (variable-size ones wait there until the table is written).
  void upsertRow(std::uint32_t rowId, Cells cells);
  bool removeRow(std::uint32_t rowId);
  std::size_t rowCount() const;

  // The result must be placed in a node or subnode entry before the next commit: the next
  // write reuses the blocks of what did not change.
  NodeRefs write(NodeDatabase& db);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

struct ReadColumn {
  PropTag tag = 0;
  std::uint16_t offset = 0;
  std::uint8_t width = 0;
  std::uint8_t bit = 0;
};

struct ReadRow {
  std::uint32_t rowId = 0;
  // One entry per column that exists in the row: tag and value bytes (variable-size values
  // loaded from the heap or their subnode).
  std::vector<std::pair<PropTag, std::vector<std::uint8_t>>> cells;
  const std::vector<std::uint8_t>* find(PropTag tag) const;
};

class TableContextReader {
 public:
  // Reads and checks the table context of a node; nid, when given, names the node in errors.
  TableContextReader(const NdbReader& ndb, NodeRefs refs, Nid nid = 0);
  const std::vector<ReadColumn>& columns() const { return columns_; }
  const std::vector<ReadRow>& rows() const { return rows_; }  // in row-matrix order

 private:
  std::vector<ReadColumn> columns_;
  std::vector<ReadRow> rows_;
};

}  // namespace mailferry::pst
