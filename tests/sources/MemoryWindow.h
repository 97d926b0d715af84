// An in-memory conversion window: the grid, labels, progress bar and Convert button as
// plain values, so the source list logic can be driven without a display.
#pragma once

#include <string>
#include <vector>

#include "sources/ConversionWindow.h"
#include "sources/SourceList.h"

namespace mailferry::sources::testing {

class MemoryWindow : public ConversionWindow {
 public:
  explicit MemoryWindow(WindowKind kind) : kind_(kind) {}

  WindowKind kind() const override { return kind_; }
  OwnerHandle owner() const override { return const_cast<MemoryWindow*>(this); }

  int gridRows() const override { return static_cast<int>(cells_.size()); }
  void setGridRows(int rows) override {
    cells_.resize(static_cast<std::size_t>(rows), std::vector<std::string>(cols_));
  }
  int gridCols() const override { return static_cast<int>(cols_); }
  void setGridCols(int cols) override {
    cols_ = static_cast<std::size_t>(cols);
    for (auto& row : cells_) row.resize(cols_);
    widths_.resize(cols_, kDefaultWidth);
  }
  int gridFixedRows() const override { return fixedRows_; }
  void setGridFixedRows(int rows) override { fixedRows_ = rows; }
  int gridFixedCols() const override { return fixedCols_; }
  void setGridFixedCols(int cols) override { fixedCols_ = cols; }
  std::string gridText(int row, int col) const override {
    return cells_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(col));
  }
  void setGridText(int row, int col, const std::string& text) override {
    cells_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(col)) = text;
  }
  int gridRow() const override { return row_; }
  void setGridRow(int row) override { row_ = row; }
  int gridCol() const override { return col_; }
  void setGridCol(int col) override { col_ = col; }
  int gridColWidth(int col) const override { return widths_.at(static_cast<std::size_t>(col)); }
  void setGridColWidth(int col, int twips) override {
    widths_.at(static_cast<std::size_t>(col)) = twips;
  }

  std::string countCaption() const override { return count_; }
  void setCountCaption(const std::string& text) override { count_ = text; }
  std::string currentCaption() const override { return current_; }
  void setCurrentCaption(const std::string& text) override { current_ = text; }
  std::string progressCaption() const override { return progress_; }
  void setProgressCaption(const std::string& text) override { progress_ = text; }

  float progressMin() const override { return min_; }
  void setProgressMin(float value) override { min_ = value; }
  float progressMax() const override { return max_; }
  void setProgressMax(float value) override { max_ = value; }
  float progressValue() const override { return value_; }
  void setProgressValue(float value) override { value_ = value; }

  bool convertEnabled() const override { return convert_; }
  void setConvertEnabled(bool enabled) override { convert_ = enabled; }

  void setBusy(bool busy) override {
    busy_ = busy;
    busyChanges.push_back(busy);
  }
  bool busy() const { return busy_; }
  void yield() override { ++yields; }

  // The listed paths, row by row (an empty list gives none).
  std::vector<std::string> listed() const {
    if (cells_.size() == 1 && cells_[0][0].empty()) return {};
    std::vector<std::string> paths;
    for (const auto& row : cells_) paths.push_back(row[0]);
    return paths;
  }

  std::vector<bool> busyChanges;
  int yields = 0;

 private:
  static constexpr int kDefaultWidth = 960;
  WindowKind kind_;
  // The creation state: one empty row, one column, no fixed rows or columns.
  std::vector<std::vector<std::string>> cells_{{std::string()}};
  std::size_t cols_ = 1;
  std::vector<int> widths_{kDefaultWidth};
  int fixedRows_ = 0;
  int fixedCols_ = 0;
  int row_ = 0;
  int col_ = 0;
  std::string count_ = emptyCountCaption();
  std::string current_;
  std::string progress_;
  float min_ = 0;
  float max_ = 100;
  float value_ = 0;
  bool convert_ = false;
  bool busy_ = false;
};

}  // namespace mailferry::sources::testing
