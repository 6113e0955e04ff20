#include "ui/qt/scan_log_model.h"

#include <QElapsedTimer>
#include <QString>
#include <algorithm>

namespace veltrano::qt {
namespace {

// Flushes cheaper than this follow at once; none waits longer than the cap.
constexpr qint64 kImmediateFlushNs = 50'000;
constexpr int kMaxFlushDelayMs = 1000;
// The next flush waits this many times as long as the last one took.
constexpr qint64 kPaceFactor = 4;

}  // namespace

ScanLogModel::ScanLogModel(ScanLog& log, QObject* parent)
    : QAbstractListModel(parent), log_(log), shown_(log.Count()) {
  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(0);
  connect(&flushTimer_, &QTimer::timeout, this, &ScanLogModel::Flush);
  log_.AddObserver(this);
  if (log_.SelectedIndex() != ScanLog::kNoSelection) OnSelected(log_.SelectedIndex());
}

ScanLogModel::~ScanLogModel() {
  log_.RemoveObserver(this);
}

int ScanLogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

QModelIndex ScanLogModel::index(int row, int column, const QModelIndex& parent) const {
  // The view asks for an index per row whenever it lays itself out; answer
  // without the generic checks' virtual calls.
  if (parent.isValid() || column != 0 || row < 0 || row >= shown_) return {};
  return createIndex(row, 0);
}

QVariant ScanLogModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= shown_ ||
      index.row() >= log_.Count()) {
    return {};
  }
  return QString::fromStdString(log_.Line(index.row()));
}

Qt::ItemFlags ScanLogModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool ScanLogModel::HasPendingChanges() const {
  return selectionChanged_ || log_.Count() != shown_;
}

void ScanLogModel::Flush() {
  flushTimer_.stop();
  if (!HasPendingChanges()) return;
  QElapsedTimer clock;
  clock.start();
  const int count = log_.Count();
  if (count > shown_) {
    beginInsertRows(QModelIndex(), shown_, count - 1);
    shown_ = count;
    endInsertRows();
  } else if (count < shown_) {
    // Cannot happen while every change is reported; recover rather than
    // let the view read past the end of the log.
    beginResetModel();
    shown_ = count;
    endResetModel();
    selectionChanged_ = true;
  }
  if (selectionChanged_) {
    selectionChanged_ = false;
    emit LogSelectionChanged(log_.SelectedIndex());
  }
  emit Flushed();
  const qint64 spent = clock.nsecsElapsed();
  const qint64 delayMs =
      spent < kImmediateFlushNs ? 0 : (spent * kPaceFactor + 999'999) / 1'000'000;
  flushTimer_.setInterval(static_cast<int>(std::min<qint64>(delayMs, kMaxFlushDelayMs)));
}

void ScanLogModel::ScheduleFlush() {
  if (!flushTimer_.isActive()) flushTimer_.start();
}

void ScanLogModel::OnCleared() {
  beginResetModel();
  shown_ = 0;
  endResetModel();
  selectionChanged_ = false;
  flushTimer_.stop();
  flushTimer_.setInterval(0);  // a short list follows every line again
}

void ScanLogModel::OnInserted(int first, int count) {
  if (count <= 0) return;
  if (first < shown_) {
    // Inside the part the view shows: the held-back tail stays behind it.
    beginInsertRows(QModelIndex(), first, first + count - 1);
    shown_ += count;
    endInsertRows();
  } else {
    ScheduleFlush();
  }
}

void ScanLogModel::OnRemoved(int index) {
  if (index < shown_) {
    beginRemoveRows(QModelIndex(), index, index);
    --shown_;
    endRemoveRows();
  }
}

void ScanLogModel::OnReplaced(int index) {
  if (index < shown_) {
    const QModelIndex changed = this->index(index);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
  }
}

void ScanLogModel::OnSelected(int /*index*/) {
  selectionChanged_ = true;
  ScheduleFlush();
}

}  // namespace veltrano::qt
