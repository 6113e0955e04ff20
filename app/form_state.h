// The state of the main window Form1, as a model: the shared flags and
// records, its controls' models and the services the commands use. The
// commands work on this state; Form1 (commands/form1.h) adds the handlers
// that run them. The views render these models.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/scan_log.h"
#include "app/window_parts.h"
#include "platform/fs/file_system.h"
#include "platform/host/window_host.h"

namespace veltrano {

class FormState {
 public:
  FormState(fs::FileSystem& fileSystem, host::WindowHost& windowHost);
  FormState(const FormState&) = delete;
  FormState& operator=(const FormState&) = delete;

  // --- shared state -------------------------------------------------------
  // -1 while a sweep or the cleanup search runs, 0 otherwise.
  int16_t Busy = 0;
  // The one find-data record that every enumeration of the window fills.
  fs::FindData FindData;
  ScanLog List1;          // the scan log (introduction at start)
  StatusStrip Picture1;   // one-line status strip
  NameHolder Label1;      // hidden name holder, "label1" at start
  MenuCaption menuclean;  // caption of the cleanup command

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
