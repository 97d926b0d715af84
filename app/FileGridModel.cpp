// Grid cells with batched publication of appended rows.
#include "app/FileGridModel.h"

#include <QBrush>
#include <QPalette>
#include <algorithm>
#include <stdexcept>

#include "app/Look.h"

namespace mailferry::app {

FileGridModel::FileGridModel(QObject* parent) : QAbstractTableModel(parent), cells_(1) {}

void FileGridModel::setRows(int rows) {
  if (rows < 0) throw std::out_of_range("grid row count below zero");
  const int old = this->rows();
  if (rows == old) return;
  if (rows < old) {
    publish();
    beginRemoveRows({}, rows, old - 1);
    cells_.resize(cell(rows, 0));
    publishedRows_ = rows;
    endRemoveRows();
    return;
  }
  cells_.resize(cell(rows, 0));  // the view hears of the new rows at the next publication
}

void FileGridModel::setCols(int cols) {
  if (cols < 1) throw std::out_of_range("grid column count below one");
  if (cols == cols_) return;
  std::vector<QString> resized(static_cast<size_t>(rows()) * static_cast<size_t>(cols));
  for (int r = 0; r < rows(); ++r) {
    for (int c = 0; c < std::min(cols, cols_); ++c) {
      resized[static_cast<size_t>(r) * static_cast<size_t>(cols) + static_cast<size_t>(c)] =
          std::move(cells_[cell(r, c)]);
    }
  }
  reset(resized, cols);
}

void FileGridModel::reset(const std::vector<QString>& cells, int cols) {
  beginResetModel();
  cells_ = cells;
  cols_ = cols;
  publishedRows_ = rows();
  endResetModel();
}

QString FileGridModel::text(int row, int col) const {
  if (row < 0 || row >= rows() || col < 0 || col >= cols_) {
    throw std::out_of_range("grid cell (" + std::to_string(row) + ", " + std::to_string(col) +
                            ") outside the grid");
  }
  return cells_[cell(row, col)];
}

void FileGridModel::setText(int row, int col, const QString& text) {
  if (row < 0 || row >= rows() || col < 0 || col >= cols_) {
    throw std::out_of_range("grid cell (" + std::to_string(row) + ", " + std::to_string(col) +
                            ") outside the grid");
  }
  cells_[cell(row, col)] = text;
  if (row < publishedRows_) emit dataChanged(index(row, col), index(row, col));
}

void FileGridModel::setFixedRows(int rows) {
  fixedRows_ = std::max(0, rows);
  if (publishedRows_ > 0) emit dataChanged(index(0, 0), index(publishedRows_ - 1, cols_ - 1));
}

void FileGridModel::setFixedCols(int cols) {
  fixedCols_ = std::max(0, cols);
  if (publishedRows_ > 0) emit dataChanged(index(0, 0), index(publishedRows_ - 1, cols_ - 1));
}

void FileGridModel::publish() {
  const int total = rows();
  if (publishedRows_ >= total) return;
  beginInsertRows({}, publishedRows_, total - 1);
  publishedRows_ = total;
  endInsertRows();
}

int FileGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : publishedRows_;
}

int FileGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : cols_;
}

QVariant FileGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= publishedRows_ || index.column() >= cols_) return {};
  const bool fixed = index.row() < fixedRows_ || index.column() < fixedCols_;
  switch (role) {
    case Qt::DisplayRole:
      return cells_[cell(index.row(), index.column())];
    case Qt::BackgroundRole:
      return fixed ? QBrush(buttonFaceColour()) : QBrush(kLinkColour);
    case Qt::ForegroundRole:
      return fixed ? QBrush(Qt::black) : QBrush(Qt::white);
    default:
      return {};
  }
}

}  // namespace mailferry::app
