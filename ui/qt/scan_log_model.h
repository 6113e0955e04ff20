// List1's model: the scan log of Form1 as a Qt list model.
//
// The commands append one line at a time, and the junk search selects every
// new line. Telling the view about each line at once would lay the list out
// again for every line, so appended lines and selection changes are held
// back and shown together the next time the event loop runs (at the command's
// next event pump, or when the command ends). Changes to lines the view
// already shows (insert, remove, replace) are passed on at once.
//
// A list view lays out all its rows again whenever rows are inserted, which
// costs time in proportion to the number of lines. So that a search that
// lets events through for every folder does not spend its time laying out a
// long list, flushes are paced: after a flush that took t, the next one
// waits about 4t, which keeps the view's share of the time near a fifth,
// while a short list still follows every line at once.
#pragma once

#include <QAbstractListModel>
#include <QTimer>

#include "app/scan_log.h"

namespace veltrano::qt {

class ScanLogModel : public QAbstractListModel, private ScanLogObserver {
  Q_OBJECT

 public:
  explicit ScanLogModel(ScanLog& log, QObject* parent = nullptr);
  ~ScanLogModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex index(int row, int column = 0,
                    const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Shows the lines held back so far and reports the log's selection if it
  // changed. Runs by itself from the event loop; callable at any time.
  void Flush();
  // True while appended lines or a selection change wait for Flush.
  bool HasPendingChanges() const;
  // How long the next flush waits after a change, in milliseconds.
  int FlushDelay() const { return flushTimer_.interval(); }

 signals:
  // The log's selected line after a flush (-1: none). The view selects it
  // and scrolls it into view.
  void LogSelectionChanged(int row);
  // Emitted at the end of every flush that changed something; a view lays
  // itself out here, so that the pacing counts the layout's cost.
  void Flushed();

 private:
  void OnCleared() override;
  void OnInserted(int first, int count) override;
  void OnRemoved(int index) override;
  void OnReplaced(int index) override;
  void OnSelected(int index) override;
  void ScheduleFlush();

  ScanLog& log_;
  // The view sees lines [0, shown_); the lines after them wait for Flush.
  int shown_ = 0;
  bool selectionChanged_ = false;
  QTimer flushTimer_;
};

}  // namespace veltrano::qt
