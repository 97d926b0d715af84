// The cells of the grid grdFiles1. The stored cells are the truth that the source list and
// the runs read and write; the attached view learns of appended rows in batches, so that
// listing 100,000 files does not relayout the view once per file.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

namespace mailferry::app {

class FileGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit FileGridModel(QObject* parent = nullptr);

  // What the grid holds, independent of what the view has been told yet.
  int rows() const { return static_cast<int>(cells_.size() / static_cast<size_t>(cols_)); }
  int cols() const { return cols_; }
  void setRows(int rows);
  void setCols(int cols);
  QString text(int row, int col) const;
  void setText(int row, int col, const QString& text);
  int fixedRows() const { return fixedRows_; }
  void setFixedRows(int rows);
  int fixedCols() const { return fixedCols_; }
  void setFixedCols(int cols);

  // Tells the view about every row appended since the last publication.
  void publish();
  bool hasUnpublishedRows() const { return publishedRows_ < rows(); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  size_t cell(int row, int col) const {
    return static_cast<size_t>(row) * static_cast<size_t>(cols_) + static_cast<size_t>(col);
  }
  void reset(const std::vector<QString>& cells, int cols);

  std::vector<QString> cells_;  // row-major
  int cols_ = 1;
  int publishedRows_ = 1;
  int fixedRows_ = 0;
  int fixedCols_ = 0;
};

}  // namespace mailferry::app
