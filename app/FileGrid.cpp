// The grid view over FileGridModel; column widths are kept in twips as the list sets them.
#include "app/FileGrid.h"

#include <QHeaderView>
#include <QPalette>
#include <stdexcept>

#include "app/Look.h"

namespace mailferry::app {

namespace {

constexpr int kRowHeightPixels = 16;
constexpr int kDefaultColTwips = 960;  // a new grid column, before the list sets its width
constexpr int kCatchUpMilliseconds = 40;

}  // namespace

FileGrid::FileGrid(QWidget* parent) : QTableView(parent), model_(this) {
  setModel(&model_);
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(kRowHeightPixels);
  verticalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setMinimumSectionSize(1);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);
  setFont(bodyFont());
  setShowGrid(true);
  setGridStyle(Qt::SolidLine);
  setFrameShape(QFrame::NoFrame);
  // A selected cell keeps the cell background and takes the highlight-text colour.
  setStyleSheet(
      QStringLiteral("QTableView { background: white; gridline-color: rgb(192,192,192);"
                     " selection-background-color: rgb(8,117,213);"
                     " selection-color: palette(highlighted-text); }"));
  colWidthsTwips_.assign(1, kDefaultColTwips);
  setColumnWidth(0, px(kDefaultColTwips));

  // Rows appended in a quick burst show once the burst is over or the catch-up time has
  // passed, never once per row: each publication makes the view measure every row.
  publishLater_.setSingleShot(true);
  publishLater_.setInterval(kCatchUpMilliseconds);
  connect(&publishLater_, &QTimer::timeout, this, &FileGrid::publishNow);
  connect(&model_, &QAbstractItemModel::modelReset, this, &FileGrid::onModelChanged);
  sincePublish_.start();
  setCurrentIndex(model_.index(0, 0));
}

void FileGrid::onModelChanged() {
  colWidthsTwips_.resize(static_cast<size_t>(model_.cols()), kDefaultColTwips);
  for (int c = 0; c < model_.cols(); ++c) {
    setColumnWidth(c, px(colWidthsTwips_[static_cast<size_t>(c)]));
  }
  currentRow_ = std::min(currentRow_, model_.rows() - 1);
  currentCol_ = std::min(currentCol_, model_.cols() - 1);
  followCurrentCell();
}

void FileGrid::publishNow() {
  publishLater_.stop();
  if (model_.hasUnpublishedRows()) {
    model_.publish();
    followCurrentCell();
  }
  sincePublish_.restart();
}

void FileGrid::catchUp() {
  if (!model_.hasUnpublishedRows()) return;
  if (sincePublish_.elapsed() >= kCatchUpMilliseconds) {
    publishNow();
  } else if (!publishLater_.isActive()) {
    publishLater_.start();
  }
}

void FileGrid::setCurrentRow(int row) {
  if (row < 0 || row >= model_.rows()) {
    throw std::out_of_range("grid row " + std::to_string(row) + " outside the grid");
  }
  currentRow_ = row;
  if (row >= model_.rowCount()) {
    publishNow();
  } else {
    followCurrentCell();
  }
}

void FileGrid::setCurrentCol(int col) {
  if (col < 0 || col >= model_.cols()) {
    throw std::out_of_range("grid column " + std::to_string(col) + " outside the grid");
  }
  currentCol_ = col;
  followCurrentCell();
}

void FileGrid::followCurrentCell() {
  if (currentRow_ < 0 || currentRow_ >= model_.rowCount()) return;
  const QModelIndex index = model_.index(currentRow_, currentCol_);
  setCurrentIndex(index);
  scrollTo(index, QAbstractItemView::PositionAtTop);
}

int FileGrid::colWidthTwips(int col) const {
  if (col < 0 || col >= model_.cols()) {
    throw std::out_of_range("grid column " + std::to_string(col) + " outside the grid");
  }
  return colWidthsTwips_[static_cast<size_t>(col)];
}

void FileGrid::setColWidthTwips(int col, int twips) {
  if (col < 0 || col >= model_.cols()) {
    throw std::out_of_range("grid column " + std::to_string(col) + " outside the grid");
  }
  colWidthsTwips_[static_cast<size_t>(col)] = twips;
  setColumnWidth(col, px(twips));
}

}  // namespace mailferry::app
