// A conversion window without a display of its own: the grid, the captions, the progress bar
// and the Convert button held as plain values, in the state a new window starts in. The
// command-line program and the tests build on it and add what they show or record.
#pragma once

#include <string>
#include <vector>

#include "sources/ConversionWindow.h"

namespace mailferry::sources {

class PlainWindow : public ConversionWindow {
 public:
  explicit PlainWindow(WindowKind kind);

  WindowKind kind() const override { return kind_; }

  int gridRows() const override { return static_cast<int>(cells_.size()); }
  void setGridRows(int rows) override;
  int gridCols() const { return static_cast<int>(cols_); }
  void setGridCols(int cols) override;
  int gridFixedRows() const { return fixedRows_; }
  void setGridFixedRows(int rows) override { fixedRows_ = rows; }
  int gridFixedCols() const { return fixedCols_; }
  void setGridFixedCols(int cols) { fixedCols_ = cols; }
  std::string gridText(int row, int col) const override;
  void setGridText(int row, int col, const std::string& text) override;
  int gridRow() const { return row_; }
  void setGridRow(int row) override { row_ = row; }
  int gridCol() const { return col_; }
  void setGridCol(int col) override { col_ = col; }
  int gridColWidth(int col) const;
  void setGridColWidth(int col, int twips) override;

  SkippedFolders& skippedFolders() override { return skipped_; }
  const SkippedFolders& skippedFolders() const override { return skipped_; }

  std::string countCaption() const { return count_; }
  void setCountCaption(const std::string& text) override { count_ = text; }
  std::string currentCaption() const { return current_; }
  void setCurrentCaption(const std::string& text) override { current_ = text; }
  std::string progressCaption() const { return progress_; }
  void setProgressCaption(const std::string& text) override { progress_ = text; }

  float progressMin() const { return min_; }
  void setProgressMin(float value) override { min_ = value; }
  float progressMax() const { return max_; }
  void setProgressMax(float value) override { max_ = value; }
  float progressValue() const { return value_; }
  void setProgressValue(float value) override { value_ = value; }

  bool convertEnabled() const { return convert_; }
  void setConvertEnabled(bool enabled) override { convert_ = enabled; }

  std::vector<std::string> listed() const override;

 private:
  WindowKind kind_;
  // The creation state: one empty row, one column, no fixed rows or columns.
  std::vector<std::vector<std::string>> cells_{{std::string()}};
  std::size_t cols_ = 1;
  std::vector<int> widths_;
  int fixedRows_ = 0;
  int fixedCols_ = 0;
  int row_ = 0;
  int col_ = 0;
  SkippedFolders skipped_;
  std::string count_;
  std::string current_;
  std::string progress_;
  float min_ = 0;
  float max_ = 100;
  float value_ = 0;
  bool convert_ = false;
};

}  // namespace mailferry::sources
