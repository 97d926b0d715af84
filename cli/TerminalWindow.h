// The conversion window of the command-line program: the grid and the labels kept in memory,
// the progress shown on standard error (a bar on a terminal, plain lines otherwise), and the
// message boxes written there too.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "sources/ConversionWindow.h"

namespace mailferry::cli {

class TerminalWindow : public sources::ConversionWindow {
 public:
  // Progress and messages go to `out`; a bar is drawn when it is a terminal.
  TerminalWindow(sources::WindowKind kind, std::FILE* out);
  ~TerminalWindow() override;
  TerminalWindow(const TerminalWindow&) = delete;
  TerminalWindow& operator=(const TerminalWindow&) = delete;

  sources::WindowKind kind() const override { return kind_; }
  sources::OwnerHandle owner() const override { return nullptr; }

  int gridRows() const override { return static_cast<int>(cells_.size()); }
  void setGridRows(int rows) override;
  int gridCols() const override { return cols_; }
  void setGridCols(int cols) override;
  int gridFixedRows() const override { return 0; }
  void setGridFixedRows(int) override {}
  int gridFixedCols() const override { return 0; }
  void setGridFixedCols(int) override {}
  std::string gridText(int row, int col) const override;
  void setGridText(int row, int col, const std::string& text) override;
  int gridRow() const override { return row_; }
  void setGridRow(int row) override { row_ = row; }
  int gridCol() const override { return col_; }
  void setGridCol(int col) override { col_ = col; }
  int gridColWidth(int) const override { return colWidth_; }
  void setGridColWidth(int, int twips) override { colWidth_ = twips; }

  std::string countCaption() const override { return count_; }
  void setCountCaption(const std::string& text) override { count_ = text; }
  std::string currentCaption() const override { return current_; }
  void setCurrentCaption(const std::string& text) override;
  std::string progressCaption() const override { return progress_; }
  void setProgressCaption(const std::string& text) override { progress_ = text; }

  float progressMin() const override { return min_; }
  void setProgressMin(float value) override { min_ = value; }
  float progressMax() const override { return max_; }
  void setProgressMax(float value) override { max_ = value; }
  float progressValue() const override { return value_; }
  void setProgressValue(float value) override;

  bool convertEnabled() const override { return convert_; }
  void setConvertEnabled(bool enabled) override { convert_ = enabled; }
  void setBusy(bool) override {}
  // There is no event loop to serve.
  void yield() override {}

  // A message box: its title and text on their own lines, below the progress bar.
  void showMessage(const std::string& text, const std::string& title);
  // The paths listed in the grid (none for the empty list).
  std::vector<std::string> listed() const;

 private:
  void draw(bool force);
  void endBar();

  sources::WindowKind kind_;
  std::FILE* out_;
  bool terminal_;
  std::vector<std::vector<std::string>> cells_{{std::string()}};
  int cols_ = 1;
  int row_ = 0;
  int col_ = 0;
  int colWidth_ = 960;
  std::string count_ = "0 files";
  std::string current_;
  std::string progress_;
  float min_ = 0;
  float max_ = 100;
  float value_ = 0;
  bool convert_ = false;

  std::string lastPhase_;
  int lastTenth_ = -1;
  bool barShown_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace mailferry::cli
