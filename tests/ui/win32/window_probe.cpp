// window_probe.exe: reads the running Veltrano window from outside, through
// window messages only, for the end-to-end tests.
//
//   window_probe.exe wait SECONDS          waits for the window to appear
//   window_probe.exe menu INDEX            prints the screen rectangle of menu command INDEX
//   window_probe.exe list [TEXT SECONDS]   prints List1's lines (UTF-8, one a line);
//                                          with TEXT, first waits until a line contains it
//   window_probe.exe shortcut LINK         prints the target of the shortcut LINK
//
// The list is read with LVM_GETITEMTEXTW through a buffer placed in the
// window's own process (VirtualAllocEx), as any program reading another
// program's list view must.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ui/win32/install_steps.h"
#include "ui/win32/main_window.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/windows_api.h"

#include <commctrl.h>

namespace {

using veltrano::win32::Narrow;

void Write(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
            &written, nullptr);
}

HWND FindForm() {
  return FindWindowW(veltrano::win32::kFormClassName, nullptr);
}

HWND WaitForm(int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (HWND form = FindForm(); form != nullptr && IsWindowVisible(form)) return form;
    Sleep(100);
  }
  return nullptr;
}

// Reads the lines of the list view `list` of another process.
bool ReadList(HWND list, std::vector<std::string>& lines) {
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return false;
  constexpr int kChars = 2048;
  const SIZE_T size = sizeof(LVITEMW) + kChars * sizeof(wchar_t);
  auto* remote = static_cast<unsigned char*>(
      VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (remote == nullptr) {
    CloseHandle(process);
    return false;
  }
  auto* remoteText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  std::vector<wchar_t> text(kChars);
  bool ok = true;
  lines.clear();
  for (int i = 0; i < count && ok; ++i) {
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = remoteText;
    item.cchTextMax = kChars;
    ok = WriteProcessMemory(process, remote, &item, sizeof(item), nullptr) != FALSE;
    if (!ok) break;
    const LRESULT n = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                                   reinterpret_cast<LPARAM>(remote));
    SIZE_T got = 0;
    ok = ReadProcessMemory(process, remoteText, text.data(),
                           static_cast<SIZE_T>(n + 1) * sizeof(wchar_t), &got) != FALSE;
    if (ok) lines.push_back(Narrow(std::wstring_view(text.data(), static_cast<size_t>(n))));
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return ok;
}

int Usage() {
  std::fputs("usage: window_probe.exe wait SECONDS | menu INDEX | list [TEXT SECONDS] | shortcut LINK\n", stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring command = argv[1];
  if (command == L"wait" && argc == 3) {
    return WaitForm(_wtoi(argv[2])) != nullptr ? 0 : 1;
  }
  if (command == L"shortcut" && argc == 3) {
    const std::string target = veltrano::win32::ShortcutTarget(Narrow(argv[2]));
    if (target.empty()) return 1;
    Write(target + "\n");
    return 0;
  }
  HWND form = FindForm();
  if (form == nullptr) {
    std::fputs("window_probe: no Veltrano window\n", stderr);
    return 1;
  }
  if (command == L"menu" && argc == 3) {
    const int index = _wtoi(argv[2]);
    RECT r{};
    if (!GetMenuItemRect(form, GetMenu(form), static_cast<UINT>(index), &r)) {
      // Not every system answers for another process's menu (Wine does not):
      // the first command starts at the left of the menu bar, just above the
      // client area.
      if (index != 0) return 1;
      POINT corner{0, 0};
      ClientToScreen(form, &corner);
      const int bar = GetSystemMetrics(SM_CYMENU);
      r = RECT{corner.x, corner.y - bar, corner.x + 40, corner.y};
    }
    Write(std::to_string(r.left) + " " + std::to_string(r.top) + " " +
          std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top) + "\n");
    return 0;
  }
  if (command == L"list" && (argc == 2 || argc == 4)) {
    HWND list = FindWindowExW(form, nullptr, WC_LISTVIEWW, nullptr);
    if (list == nullptr) return 1;
    std::vector<std::string> lines;
    if (argc == 4) {
      const std::string wanted = Narrow(argv[2]);
      const int tenths = _wtoi(argv[3]) * 10;
      bool seen = false;
      for (int i = 0; i < tenths && !seen; ++i) {
        if (ReadList(list, lines)) {
          for (const std::string& line : lines) seen = seen || line.find(wanted) != std::string::npos;
        }
        if (!seen) Sleep(100);
      }
      if (!seen) {
        std::fputs("window_probe: the text did not appear\n", stderr);
        return 1;
      }
    } else if (!ReadList(list, lines)) {
      return 1;
    }
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    Write(out);
    return 0;
  }
  return Usage();
}
