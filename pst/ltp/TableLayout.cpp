// Table context row layout: cell placement, existence bits and TCINFO.
#include "pst/ltp/TableLayout.h"

#include <algorithm>
#include <stdexcept>

namespace mailferry::pst::ltp {

std::uint8_t TableLayout::cellWidth(PropType type) {
  if (cellIsHnid(type)) return 4;
  return static_cast<std::uint8_t>(fixedSize(type));
}

bool TableLayout::cellIsHnid(PropType type) {
  // [MS-PST] 2.3.4.2: values wider than 8 bytes (GUIDs) and variable-size values are HNIDs.
  const std::size_t size = fixedSize(type);
  return size == 0 || size > 8;
}

TableLayout::TableLayout(const std::vector<PropTag>& requested) {
  std::vector<PropTag> ordered{tags::kLtpRowId, tags::kLtpRowVer};
  for (PropTag tag : requested) {
    if (std::find(ordered.begin(), ordered.end(), tag) == ordered.end()) ordered.push_back(tag);
  }
  if (ordered.size() > 255) throw std::logic_error("table: more than 255 columns");
  std::uint16_t offset = 0;
  auto place = [&](auto wanted) {
    for (std::size_t bit = 0; bit < ordered.size(); ++bit) {
      const PropTag tag = ordered[bit];
      const std::uint8_t width = cellWidth(tagType(tag));
      if (!wanted(width)) continue;
      columns_.push_back({tag, offset, width, static_cast<std::uint8_t>(bit)});
      offset = static_cast<std::uint16_t>(offset + width);
    }
  };
  place([](std::uint8_t w) { return w == 8 || w == 4; });
  ends_[0] = offset;
  place([](std::uint8_t w) { return w == 2; });
  ends_[1] = offset;
  place([](std::uint8_t w) { return w == 1; });
  ends_[2] = offset;
  ends_[3] = static_cast<std::uint16_t>(offset + (columns_.size() + 7) / 8);
  std::sort(columns_.begin(), columns_.end(),
            [](const ColumnLayout& a, const ColumnLayout& b) { return a.tag < b.tag; });
}

std::optional<std::size_t> TableLayout::indexOf(PropTag tag) const {
  auto it = std::lower_bound(columns_.begin(), columns_.end(), tag,
                             [](const ColumnLayout& c, PropTag t) { return c.tag < t; });
  if (it == columns_.end() || it->tag != tag) return std::nullopt;
  return static_cast<std::size_t>(it - columns_.begin());
}

std::vector<std::uint8_t> TableLayout::tcinfo(Hid rowIndex, std::uint32_t hnidRows) const {
  std::vector<std::uint8_t> out{kClientTable, static_cast<std::uint8_t>(columns_.size())};
  for (std::uint16_t end : ends_) appendLe(out, end, 2);
  appendLe(out, rowIndex, 4);
  appendLe(out, hnidRows, 4);
  appendLe(out, 0, 4);  // hidIndex, deprecated
  for (const ColumnLayout& c : columns_) {
    // [MS-PST] 2.3.4.2 TCOLDESC
    appendLe(out, c.tag, 4);
    appendLe(out, c.offset, 2);
    out.push_back(c.width);
    out.push_back(c.bit);
  }
  return out;
}

}  // namespace mailferry::pst::ltp
