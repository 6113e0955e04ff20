#include "ui/win32/scan_log_list.h"

#include <algorithm>
#include <cwchar>

#include "ui/win32/wide_text.h"
#include "ui/win32/windows_api.h"

#include <commctrl.h>

namespace veltrano::win32 {
namespace {

HWND AsWindow(intptr_t handle) {
  return reinterpret_cast<HWND>(handle);
}

// Posted to the list view when the log has changed.
constexpr UINT kFlushMessage = WM_APP + 41;
constexpr UINT_PTR kSubclassId = 1;

LRESULT CALLBACK ListSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<ScanLogList*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, ListSubclass, kSubclassId);
    return DefSubclassProc(window, message, wParam, lParam);
  }
  return self->Filter(message, wParam, lParam);
}

}  // namespace

ScanLogList::ScanLogList(ScanLog& log) : log_(log) {
  log_.AddObserver(this);
}

ScanLogList::~ScanLogList() {
  log_.RemoveObserver(this);
  if (window_ != 0) RemoveWindowSubclass(AsWindow(window_), ListSubclass, kSubclassId);
}

bool ScanLogList::Create(intptr_t parent, int x, int y, int width, int height, intptr_t font) {
  // One column, no header: it looks and behaves like a list box, but the
  // lines are asked for only when they are drawn.
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPSIBLINGS | WS_TABSTOP |
                      LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                      LVS_SHOWSELALWAYS;
  HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", style, x, y, width, height,
                              AsWindow(parent), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (list == nullptr) return false;
  window_ = reinterpret_cast<intptr_t>(list);
  SetWindowTextW(list, L"List1");
  SendMessageW(list, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);

  RECT client{};
  GetClientRect(list, &client);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  // As wide as the list inside its vertical scroll bar: like a list box, it
  // never scrolls sideways, and a line longer than that is cut.
  column.cx = std::max<int>(client.right - client.left - GetSystemMetrics(SM_CXVSCROLL), 1);
  ListView_InsertColumn(list, 0, &column);
  SetWindowSubclass(list, ListSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  dirty_ = true;
  Flush();
  return true;
}

bool ScanLogList::OnNotify(intptr_t lParam, intptr_t& result) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (window_ == 0 || header == nullptr || header->hwndFrom != AsWindow(window_)) return false;
  result = 0;
  if (header->code == LVN_GETDISPINFOW) {
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
    LVITEMW& item = info->item;
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
      if (item.iItem >= 0 && item.iItem < log_.Count()) {
        text_ = Widen(log_.Line(item.iItem));
      } else {
        text_.clear();
      }
      const size_t room = static_cast<size_t>(item.cchTextMax) - 1;
      const size_t n = std::min(text_.size(), room);
      std::wmemcpy(item.pszText, text_.data(), n);
      item.pszText[n] = L'\0';
    }
    return true;
  }
  if (header->code == LVN_ODCACHEHINT || header->code == LVN_ODFINDITEMW) {
    result = header->code == LVN_ODFINDITEMW ? -1 : 0;
    return true;
  }
  return false;
}

void ScanLogList::MarkChanged(bool selectionMoved) {
  dirty_ = true;
  selectionMoved_ = selectionMoved_ || selectionMoved;
  if (window_ != 0 && !flushPosted_) {
    // When nothing else reaches the list first, the next turn of the
    // message loop brings the view up to date.
    flushPosted_ = PostMessageW(AsWindow(window_), kFlushMessage, 0, 0) != FALSE;
  }
}

void ScanLogList::Flush() {
  if (!dirty_ || window_ == 0) return;
  dirty_ = false;
  HWND list = AsWindow(window_);
  ListView_SetItemCountEx(list, log_.Count(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  const int selected = log_.SelectedIndex();
  const int shown = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (shown != selected || selectionMoved_) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (selected >= 0) {
      ListView_SetItemState(list, selected, LVIS_SELECTED | LVIS_FOCUSED,
                            LVIS_SELECTED | LVIS_FOCUSED);
      if (selectionMoved_) ListView_EnsureVisible(list, selected, FALSE);
    }
  }
  selectionMoved_ = false;
  InvalidateRect(list, nullptr, FALSE);
}

intptr_t ScanLogList::Filter(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  HWND list = AsWindow(window_);
  if (message == kFlushMessage) {
    flushPosted_ = false;
    Flush();
    return 0;
  }
  // Whatever the list is asked, it answers for the log as it is now.
  Flush();
  return DefSubclassProc(list, message, wParam, lParam);
}

void ScanLogList::OnCleared() {
  MarkChanged(false);
}

void ScanLogList::OnInserted(int, int) {
  MarkChanged(false);
}

void ScanLogList::OnRemoved(int) {
  MarkChanged(false);
}

void ScanLogList::OnReplaced(int) {
  MarkChanged(false);
}

void ScanLogList::OnSelected(int) {
  MarkChanged(true);
}

}  // namespace veltrano::win32
