// The grid grdFiles1: a one-column strip of full file paths, blue cells with white text,
// silver grid lines, no headers, a current cell.
#pragma once

#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

#include "app/FileGridModel.h"

namespace mailferry::app {

class FileGrid : public QTableView {
  Q_OBJECT

 public:
  explicit FileGrid(QWidget* parent);

  FileGridModel& cells() { return model_; }
  const FileGridModel& cells() const { return model_; }

  int currentRow() const { return currentRow_; }
  int currentCol() const { return currentCol_; }
  void setCurrentRow(int row);
  void setCurrentCol(int col);
  int colWidthTwips(int col) const;
  void setColWidthTwips(int col, int twips);

  // Shows appended rows now when the view was last brought up to date long enough ago;
  // called between items of long work, so a long listing still shows its progress.
  void catchUp();
  // Shows every appended row now.
  void publishNow();

 private:
  void followCurrentCell();
  void onModelChanged();

  FileGridModel model_;
  QTimer publishLater_;
  QElapsedTimer sincePublish_;
  std::vector<int> colWidthsTwips_;
  int currentRow_ = 0;
  int currentCol_ = 0;
};

}  // namespace mailferry::app
