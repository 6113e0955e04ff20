// Veltrano.exe: the computer's drives, the main window Form1, the install
// offer, the message loop.
#include <memory>

#include "commands/form1.h"
#include "ui/win32/install_steps.h"
#include "ui/win32/machine_drives.h"
#include "ui/win32/main_window.h"
#include "ui/win32/win32_window_host.h"
#include "ui/win32/windows_api.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  veltrano::win32::Win32WindowHost host;
  std::unique_ptr<veltrano::fs::FileSystem> drives = veltrano::win32::MachineDrives();
  veltrano::Form1 form(*drives, host);
  veltrano::win32::MainWindow window(form, veltrano::win32::CommandHandlers{
                                               [&form] { form.menuqim_Click(); },
                                               [&form] { form.menukhdd_Click(); },
                                               [&form] { form.reudir_Click(); },
                                               [&form] { form.menuclean_Click(); },
                                           });
  if (!window.Create()) return 1;
  host.SetOwnerWindow(window.Handle());

  // An accepted install offer ends the program here, before the window shows.
  veltrano::win32::Win32InstallSteps steps;
  veltrano::InstallContext context;
  context.programPath = veltrano::win32::RunningProgramPath();
  context.productName = veltrano::win32::ProductNameOf(context.programPath);
  form.Form_Load(context, steps);

  window.Show(showCommand);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
