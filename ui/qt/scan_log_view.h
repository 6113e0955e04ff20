// List1: the list view of the scan log. It shows the model's lines in the
// window's Song font, one uniform row per line, and keeps its selection on the
// log's selected line, scrolling it into view.
#pragma once

#include <QListView>

#include "app/scan_log.h"
#include "ui/qt/scan_log_model.h"

namespace veltrano::qt {

class ScanLogView : public QListView {
  Q_OBJECT

 public:
  explicit ScanLogView(ScanLog& log, QWidget* parent = nullptr);

  ScanLogModel* LogModel() const { return model_; }

 private:
  void FollowLogSelection(int row);
  void LayOutNow();

  ScanLogModel* model_;
};

}  // namespace veltrano::qt
