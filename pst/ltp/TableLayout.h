// The row layout of a table context ([MS-PST] 2.3.4.1, 2.3.4.2): where each column's cell sits
// in a row, its width, its bit in the cell-existence block, and the TCINFO that describes it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "pst/KnownTags.h"
#include "pst/PropTag.h"
#include "pst/ltp/HeapFormat.h"

namespace mailferry::pst::ltp {

struct ColumnLayout {
  PropTag tag = 0;
  std::uint16_t offset = 0;  // ibData
  std::uint8_t width = 0;    // cbData
  std::uint8_t bit = 0;      // iBit
};

class TableLayout {
 public:
  // Outlook's rule, as its templates show: PidTagLtpRowId (offset 0, bit 0) and
  // PidTagLtpRowVer (offset 4, bit 1) come first, the other columns take the next bits in the
  // order given; cells are placed in that same order, 8- and 4-byte cells first, then 2-byte,
  // then 1-byte cells, then the cell-existence block. Duplicate tags are dropped.
  explicit TableLayout(const std::vector<PropTag>& columns);

  // Sorted by tag, as the TCOLDESCs are stored.
  const std::vector<ColumnLayout>& columns() const { return columns_; }
  // TCI_4b, TCI_2b, TCI_1b, TCI_bm: the end of each group of cells; the last is the row size.
  const std::array<std::uint16_t, 4>& groupEnds() const { return ends_; }
  std::size_t rowSize() const { return ends_[3]; }
  std::optional<std::size_t> indexOf(PropTag tag) const;

  // Width of a cell of this type: the value for fixed sizes up to 8 bytes, an HNID otherwise.
  static std::uint8_t cellWidth(PropType type);
  // Whether the cell holds an HNID (variable size, multi-valued, GUID, object).
  static bool cellIsHnid(PropType type);

  // [MS-PST] 2.3.4.1 TCINFO for this layout.
  std::vector<std::uint8_t> tcinfo(Hid rowIndex, std::uint32_t hnidRows) const;

  static bool cellExists(std::span<const std::uint8_t> row, std::size_t cebStart,
                         std::uint8_t bit) {
    return (row[cebStart + bit / 8] & (0x80 >> (bit % 8))) != 0;
  }
  static void setCellExists(std::span<std::uint8_t> row, std::size_t cebStart, std::uint8_t bit) {
    row[cebStart + bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
  }

 private:
  std::vector<ColumnLayout> columns_;
  std::array<std::uint16_t, 4> ends_{};
};

}  // namespace mailferry::pst::ltp
