// Background reads of a path or URL for a hosted control.
//
// http and https go through WinHTTP, a local path or a file: URL through a
// plain file read, each on a worker thread of its own. When a read ends the
// worker posts a message to the control's window; the window calls Deliver,
// which reports on the user-interface thread. Every read ends in exactly one
// report: progress with status 0 when it failed (refused connection, HTTP
// error status, missing file, too large), otherwise completion with the bytes
// and their count. A cancelled read reports nothing more.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::win32 {

// Reads larger than this are abandoned as failed.
inline constexpr int64_t kMaxReadBytes = int64_t{256} << 20;

class RemoteReader {
 public:
  using ProgressFn = std::function<void(std::string_view name, int32_t status)>;
  using CompleteFn = std::function<void(std::string_view name, const std::vector<uint8_t>& data,
                                        int64_t totalBytes)>;

  // `window` (a HWND) receives `doneMessage` whenever a read has ended.
  RemoteReader(intptr_t window, uint32_t doneMessage);
  ~RemoteReader();
  RemoteReader(const RemoteReader&) = delete;
  RemoteReader& operator=(const RemoteReader&) = delete;

  // Starts a read under `name`. False when the path is empty or names a
  // scheme other than http, https or file; nothing is reported then.
  bool Start(std::string_view path, std::string_view name, uint32_t options);
  // Cancels every running read under `name`.
  void Cancel(std::string_view name);
  size_t RunningCount() const { return running_.size(); }
  // Reports every read that has ended since the last call.
  void Deliver(const ProgressFn& progress, const CompleteFn& complete);

  struct Shared;

 private:
  struct Running {
    uint64_t serial = 0;
    std::string name;
  };

  std::shared_ptr<Shared> shared_;
  std::list<Running> running_;
  uint64_t nextSerial_ = 1;
};

}  // namespace veltrano::win32
