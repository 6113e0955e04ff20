// List1 on screen: a virtual list view (LVS_OWNERDATA) over the scan log.
// The view holds no text of its own; it asks for the lines it draws, so a
// log of a million lines costs no more to show than one of twenty.
//
// Changes of the log are gathered and handed to the list view in one step
// before the view answers its next message (a paint, a scroll, a query from
// anyone) or when the thread next handles its messages, whichever comes
// first: a search that appends and selects a million lines costs a million
// flag updates, not a million list-view round trips.
#pragma once

#include <cstdint>
#include <string>

#include "app/scan_log.h"

namespace veltrano::win32 {

class ScanLogList : public ScanLogObserver {
 public:
  explicit ScanLogList(ScanLog& log);
  ~ScanLogList() override;
  ScanLogList(const ScanLogList&) = delete;
  ScanLogList& operator=(const ScanLogList&) = delete;

  // Creates the list view as a child of `parent` (HWND values as intptr_t).
  bool Create(intptr_t parent, int x, int y, int width, int height, intptr_t font);
  intptr_t Handle() const { return window_; }

  // The parent forwards its WM_NOTIFY messages from the list here; true when
  // the message was the list's and `result` holds the answer.
  bool OnNotify(intptr_t lParam, intptr_t& result);
  // Hands the gathered changes to the list view now.
  void Flush();
  // Called by the list view's subclass procedure for each of its messages.
  intptr_t Filter(uint32_t message, uintptr_t wParam, intptr_t lParam);

  // ---- ScanLogObserver -------------------------------------------------------
  void OnCleared() override;
  void OnInserted(int first, int count) override;
  void OnRemoved(int index) override;
  void OnReplaced(int index) override;
  void OnSelected(int index) override;

 private:
  void MarkChanged(bool selectionMoved);

  ScanLog& log_;
  intptr_t window_ = 0;
  std::wstring text_;  // the line handed out last
  bool dirty_ = false;
  bool flushPosted_ = false;
  bool selectionMoved_ = false;  // the log selected a line: scroll it into view
};

}  // namespace veltrano::win32
