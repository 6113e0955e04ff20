#include "ui/qt/anigif/async_reader.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <utility>

namespace veltrano::qtgif {
namespace {

constexpr int kTransferTimeoutMs = 30000;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

AsyncReader::AsyncReader(ProgressFn progress, CompleteFn complete, QObject* parent)
    : QObject(parent), progress_(std::move(progress)), complete_(std::move(complete)) {}

AsyncReader::~AsyncReader() {
  std::list<Read> running;
  running.swap(reads_);
  for (Read& read : running) {
    if (read.reply) {
      disconnect(read.reply, nullptr, this, nullptr);
      read.reply->abort();
      delete read.reply.data();
    }
  }
}

bool AsyncReader::Start(std::string_view path, std::string_view name, uint32_t options) {
  if (path.empty()) return false;
  const bool network = StartsWithNoCase(path, "http://") || StartsWithNoCase(path, "https://");
  std::string localPath;
  if (!network) {
    if (StartsWithNoCase(path, "file:")) {
      const QUrl url(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
      if (!url.isLocalFile()) return false;
      localPath = url.toLocalFile().toStdString();
    } else if (path.find("://") != std::string_view::npos) {
      return false;  // a scheme this host cannot read
    } else {
      localPath = std::string(path);
    }
    if (localPath.empty()) return false;
  }

  Read& read = reads_.emplace_back();
  read.serial = nextSerial_++;
  read.name = std::string(name);
  if (network) {
    StartNetwork(read, std::string(path), options);
  } else {
    read.localPath = std::move(localPath);
    const uint64_t serial = read.serial;
    QTimer::singleShot(0, this, [this, serial] { FinishLocal(serial); });
  }
  return true;
}

void AsyncReader::StartNetwork(Read& read, const std::string& url, uint32_t options) {
  if (network_ == nullptr) network_ = new QNetworkAccessManager(this);
  QNetworkRequest request(QUrl(QString::fromStdString(url)));
  request.setTransferTimeout(kTransferTimeoutMs);
  if (options & kReadUseCacheOnFailure) {
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
  }
  QNetworkReply* reply = network_->get(request);
  read.reply = reply;
  const uint64_t serial = read.serial;
  connect(reply, &QNetworkReply::downloadProgress, this,
          [this, serial](qint64 received, qint64) { Progress(serial, received); });
  connect(reply, &QNetworkReply::finished, this, [this, serial] { FinishNetwork(serial); });
}

AsyncReader::ReadIt AsyncReader::Find(uint64_t serial) {
  return std::find_if(reads_.begin(), reads_.end(),
                      [serial](const Read& r) { return r.serial == serial; });
}

void AsyncReader::Cancel(std::string_view name) {
  for (auto it = reads_.begin(); it != reads_.end();) {
    if (it->name != name) {
      ++it;
      continue;
    }
    QPointer<QNetworkReply> reply = it->reply;
    it = reads_.erase(it);
    if (reply) {
      disconnect(reply, nullptr, this, nullptr);
      reply->abort();
      reply->deleteLater();
    }
  }
}

void AsyncReader::Progress(uint64_t serial, int64_t received) {
  const ReadIt it = Find(serial);
  if (it == reads_.end()) return;
  if (received > kMaxReadBytes) {
    Fail(it);
    return;
  }
  if (received > 0 && progress_) {
    const std::string name = it->name;
    progress_(name, kReadStatusDownloading);
  }
}

void AsyncReader::FinishNetwork(uint64_t serial) {
  const ReadIt it = Find(serial);
  if (it == reads_.end()) return;
  QNetworkReply* reply = it->reply;
  if (reply == nullptr || reply->error() != QNetworkReply::NoError) {
    Fail(it);
    return;
  }
  const QByteArray body = reply->readAll();
  if (body.size() > kMaxReadBytes) {
    Fail(it);
    return;
  }
  Complete(it, std::vector<uint8_t>(body.begin(), body.end()));
}

void AsyncReader::FinishLocal(uint64_t serial) {
  const ReadIt it = Find(serial);
  if (it == reads_.end()) return;
  QFile file(QString::fromStdString(it->localPath));
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxReadBytes) {
    Fail(it);
    return;
  }
  // In pieces: a device or a pipe reports no size and may never end.
  std::vector<uint8_t> data;
  char chunk[64 * 1024];
  for (;;) {
    const qint64 n = file.read(chunk, sizeof chunk);
    if (n < 0 || static_cast<int64_t>(data.size()) + n > kMaxReadBytes) {
      Fail(it);
      return;
    }
    if (n == 0) break;
    data.insert(data.end(), chunk, chunk + n);
  }
  Complete(it, data);
}

void AsyncReader::Fail(ReadIt it) {
  const std::string name = it->name;
  QPointer<QNetworkReply> reply = it->reply;
  reads_.erase(it);
  if (reply) {
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
  }
  if (progress_) progress_(name, kReadStatusError);
}

void AsyncReader::Complete(ReadIt it, const std::vector<uint8_t>& data) {
  const std::string name = it->name;
  QPointer<QNetworkReply> reply = it->reply;
  reads_.erase(it);
  if (reply) reply->deleteLater();
  if (complete_) complete_(name, data, static_cast<int64_t>(data.size()));
}

}  // namespace veltrano::qtgif
