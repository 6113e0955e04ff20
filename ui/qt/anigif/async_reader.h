// Background reads of a path or URL for a hosted control, delivered later
// through the event loop and never inside the call that starts them.
//
// http and https go through QNetworkAccessManager; a local path or a file:
// URL is read with a plain file read on the next turn of the event loop.
// Every read ends in exactly one report: progress with status 0 when it
// failed (refused connection, HTTP error status, missing file, too large),
// otherwise completion with the bytes and their count. A cancelled read
// reports nothing more.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

namespace veltrano::qtgif {

// Status codes of a progress report.
inline constexpr int32_t kReadStatusError = 0;
inline constexpr int32_t kReadStatusDownloading = 5;
// The read option: use a cached copy when the network fails.
inline constexpr uint32_t kReadUseCacheOnFailure = 0x80000;
// Reads larger than this are abandoned as failed.
inline constexpr int64_t kMaxReadBytes = int64_t{256} << 20;

class AsyncReader : public QObject {
  Q_OBJECT

 public:
  using ProgressFn = std::function<void(std::string_view name, int32_t status)>;
  using CompleteFn = std::function<void(std::string_view name, const std::vector<uint8_t>& data,
                                        int64_t totalBytes)>;

  AsyncReader(ProgressFn progress, CompleteFn complete, QObject* parent = nullptr);
  ~AsyncReader() override;

  // Starts a read under `name`. False when the path is empty or names a
  // scheme other than http, https or file; nothing is reported then.
  bool Start(std::string_view path, std::string_view name, uint32_t options);
  // Cancels every running read under `name`.
  void Cancel(std::string_view name);
  size_t RunningCount() const { return reads_.size(); }

 private:
  struct Read {
    uint64_t serial = 0;
    std::string name;
    QPointer<QNetworkReply> reply;  // null for a local read
    std::string localPath;
  };
  using ReadIt = std::list<Read>::iterator;

  ReadIt Find(uint64_t serial);
  void StartNetwork(Read& read, const std::string& url, uint32_t options);
  void FinishLocal(uint64_t serial);
  void FinishNetwork(uint64_t serial);
  void Progress(uint64_t serial, int64_t received);
  // Removes the read and reports its end.
  void Fail(ReadIt it);
  void Complete(ReadIt it, const std::vector<uint8_t>& data);

  ProgressFn progress_;
  CompleteFn complete_;
  QNetworkAccessManager* network_ = nullptr;  // made on the first network read
  std::list<Read> reads_;
  uint64_t nextSerial_ = 1;
};

}  // namespace veltrano::qtgif
