// Form1, the main window, as a model: its shared state, its controls'
// models and its command handlers. The Qt view renders these models and
// forwards clicks to the handlers; tests drive the handlers directly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/scan_log.h"
#include "app/window_parts.h"
#include "platform/fs/file_system.h"
#include "platform/host/window_host.h"

namespace veltrano {

struct InstallContext;

class Form1 {
 public:
  Form1(fs::FileSystem& fileSystem, host::WindowHost& windowHost);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // --- shared state -------------------------------------------------------
  // -1 while a sweep or the cleanup search runs, 0 otherwise.
  int16_t Busy = 0;
  // The one find-data record that every enumeration of the window fills.
  fs::FindData FindData;
  ScanLog List1;          // the scan log (introduction at start)
  StatusStrip Picture1;   // one-line status strip
  NameHolder Label1;      // hidden name holder, "label1" at start
  MenuCaption menuclean;  // caption of the cleanup command

  // --- handlers -------------------------------------------------------------
  // Runs the self-install offer before the window is first shown.
  void Form_Load(const InstallContext& context);
  // Ends the process at once.
  [[noreturn]] void Form_Unload();
  void menuqim_Click();
  void menukhdd_Click();
  void reudir_Click();
  void menuclean_Click();
  void mhelp_Click();
  void menunet_Click();
  void ucAniGIF1_Click();

  // Reads one value from an INI file (section AppName, key KeyName).
  std::string GetFromINI(std::string_view AppName, std::string_view KeyName,
                         std::string_view FileName);

  // --- services ---------------------------------------------------------
  fs::FileSystem& FileSystem() { return fs_; }
  host::WindowHost& Host() { return host_; }
  // Lets pending window events be handled (the nested event pump).
  void DoEvents() { host_.DoEvents(); }
  // Opens a web page maximised; the outcome is ignored.
  void OpenWebPage(std::string_view url) { host_.OpenUrl(url); }

 private:
  fs::FileSystem& fs_;
  host::WindowHost& host_;
};

}  // namespace veltrano
