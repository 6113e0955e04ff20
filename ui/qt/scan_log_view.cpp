#include "ui/qt/scan_log_view.h"

#include <QItemSelectionModel>

#include "ui/qt/window_fonts.h"

namespace veltrano::qt {

ScanLogView::ScanLogView(ScanLog& log, QWidget* parent)
    : QListView(parent), model_(new ScanLogModel(log, this)) {
  setFont(SongFont(kLogFontPointSize));
  // A million lines stay cheap only when every row has the same height.
  setUniformItemSizes(true);
  setLayoutMode(QListView::SinglePass);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideNone);  // a list box clips long lines, it does not shorten them
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setModel(model_);
  connect(model_, &ScanLogModel::LogSelectionChanged, this, &ScanLogView::FollowLogSelection);
  connect(model_, &ScanLogModel::Flushed, this, &ScanLogView::LayOutNow);
}

void ScanLogView::LayOutNow() {
  // Lay out now rather than from the event loop, so that the model's pacing
  // of flushes sees what a flush costs.
  executeDelayedItemsLayout();
}

void ScanLogView::FollowLogSelection(int row) {
  if (row < 0 || row >= model_->rowCount()) {
    selectionModel()->clear();
    return;
  }
  const QModelIndex index = model_->index(row);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  scrollTo(index, QAbstractItemView::EnsureVisible);
}

}  // namespace veltrano::qt
