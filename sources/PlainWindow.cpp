// The plain-value conversion window.
#include "sources/PlainWindow.h"

#include <algorithm>

#include "sources/SourceList.h"

namespace mailferry::sources {

namespace {
constexpr int kDefaultWidth = 960;  // twips
}  // namespace

PlainWindow::PlainWindow(WindowKind kind)
    : kind_(kind), widths_{kDefaultWidth}, count_(emptyCountCaption()) {}

void PlainWindow::setGridRows(int rows) {
  cells_.resize(static_cast<std::size_t>(std::max(rows, 0)), std::vector<std::string>(cols_));
}

void PlainWindow::setGridCols(int cols) {
  cols_ = static_cast<std::size_t>(std::max(cols, 1));
  for (auto& row : cells_) row.resize(cols_);
  widths_.resize(cols_, kDefaultWidth);
}

std::string PlainWindow::gridText(int row, int col) const {
  return cells_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(col));
}

void PlainWindow::setGridText(int row, int col, const std::string& text) {
  cells_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(col)) = text;
}

int PlainWindow::gridColWidth(int col) const {
  return widths_.at(static_cast<std::size_t>(col));
}

void PlainWindow::setGridColWidth(int col, int twips) {
  widths_.at(static_cast<std::size_t>(col)) = twips;
}

std::vector<std::string> PlainWindow::listed() const {
  if (cells_.size() == 1 && cells_[0][0].empty()) return {};
  std::vector<std::string> paths;
  for (const auto& row : cells_) paths.push_back(row[0]);
  return paths;
}

}  // namespace mailferry::sources
