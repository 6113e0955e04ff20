// Remote loads through the Qt host: a small HTTP server inside the test on
// 127.0.0.1, a port with nobody listening, local paths and file: URLs.
#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

#include "ui/qt/anigif/ani_gif_widget.h"
#include "ui/qt/anigif/async_reader.h"
#include "tests/ui/qt/anigif/test_gifs.h"

namespace veltrano::qtgif {
namespace {

using testing::LoadBytes;
using testing::SolidFrames;

constexpr int kWaitMs = 5000;

// Answers every GET with one fixed response.
class OneFileServer {
 public:
  OneFileServer(int status, QByteArray body) : status_(status), body_(std::move(body)) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto request = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
          request->append(socket->readAll());
          if (!request->contains("\r\n\r\n")) return;
          ++requests_;
          const QByteArray reason = status_ == 200 ? "OK" : "Not Found";
          socket->write("HTTP/1.1 " + QByteArray::number(status_) + " " + reason +
                        "\r\nContent-Type: image/gif\r\nContent-Length: " +
                        QByteArray::number(body_.size()) + "\r\nConnection: close\r\n\r\n");
          socket->write(body_);
          socket->disconnectFromHost();
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
  }
  bool Listening() const { return server_.isListening(); }
  std::string Url(const char* path = "/banner.gif") const {
    return QStringLiteral("http://127.0.0.1:%1%2")
        .arg(server_.serverPort())
        .arg(QLatin1String(path))
        .toStdString();
  }
  int Requests() const { return requests_; }

 private:
  QTcpServer server_;
  int status_;
  QByteArray body_;
  int requests_ = 0;
};

QByteArray AsQBytes(const std::vector<uint8_t>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

// A control in a widget with its remote events counted.
struct RemoteFixture {
  AniGifWidget widget;
  int completes = 0;
  int failures = 0;
  int ticks = 0;
  float width = 0, height = 0;
  bool cancel = false;

  RemoteFixture() {
    widget.resize(30, 20);
    auto& ev = widget.Control().Events();
    ev.RemoteLoadComplete = [this](float w, float h, bool& Cancel) {
      ++completes;
      width = w;
      height = h;
      Cancel = cancel;
    };
    ev.RemoteLoadFailure = [this] { ++failures; };
    ev.FrameChanged = [this](int32_t, bool viaTimer) {
      if (viaTimer) ++ticks;
    };
    widget.Control().SetMinFrameDelay(10);
  }
};

TEST(RemoteLoadTest, HttpLoadRaisesCompleteWithTwipsThenPlays) {
  OneFileServer server(200, AsQBytes(SolidFrames(30, 20, 3)));
  ASSERT_TRUE(server.Listening());
  RemoteFixture f;
  f.widget.show();
  f.widget.Control().LoadAnimatedGIF_Remote(server.Url());
  EXPECT_EQ(f.completes, 0);  // the outcome arrives later, never inside the call
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.completes + f.failures > 0; }, kWaitMs));
  EXPECT_EQ(f.failures, 0);
  EXPECT_EQ(f.completes, 1);
  EXPECT_FLOAT_EQ(f.width, 450.0f);
  EXPECT_FLOAT_EQ(f.height, 300.0f);
  EXPECT_EQ(f.widget.Control().FrameCount(), 3);
  EXPECT_TRUE(QTest::qWaitFor([&] { return f.ticks >= 2; }, kWaitMs));
  EXPECT_EQ(server.Requests(), 1);
}

TEST(RemoteLoadTest, HttpErrorStatusFailsOnce) {
  OneFileServer server(404, AsQBytes(SolidFrames(30, 20, 3)));
  ASSERT_TRUE(server.Listening());
  RemoteFixture f;
  f.widget.Control().LoadAnimatedGIF_Remote(server.Url("/missing.gif"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.failures > 0; }, kWaitMs));
  QTest::qWait(100);
  EXPECT_EQ(f.failures, 1);
  EXPECT_EQ(f.completes, 0);
  EXPECT_EQ(f.widget.Control().CurrentFrame(), 0);
}

TEST(RemoteLoadTest, RefusedConnectionFailsOnce) {
  quint16 port = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    port = probe.serverPort();
  }  // closed again: nothing listens there now
  RemoteFixture f;
  f.widget.Control().LoadAnimatedGIF_Remote(
      QStringLiteral("http://127.0.0.1:%1/banner.gif").arg(port).toStdString());
  EXPECT_EQ(f.failures, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.failures > 0; }, kWaitMs));
  QTest::qWait(100);
  EXPECT_EQ(f.failures, 1);
  EXPECT_EQ(f.completes, 0);
}

TEST(RemoteLoadTest, CancelInCompleteKeepsThePreviousAnimation) {
  OneFileServer server(200, AsQBytes(SolidFrames(30, 20, 3)));
  RemoteFixture f;
  ASSERT_TRUE(LoadBytes(f.widget.Control(), SolidFrames(30, 20, 2)));
  f.cancel = true;
  f.widget.Control().LoadAnimatedGIF_Remote(server.Url());
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.completes > 0; }, kWaitMs));
  QTest::qWait(50);
  EXPECT_EQ(f.failures, 0);
  EXPECT_EQ(f.widget.Control().FrameCount(), 2);
}

TEST(RemoteLoadTest, LocalPathsAndFileUrlsLoadLater) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("横幅.gif"));
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(AsQBytes(SolidFrames(30, 20, 3)));
  }
  RemoteFixture f;
  f.widget.Control().LoadAnimatedGIF_Remote(path.toStdString());
  EXPECT_EQ(f.completes, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.completes > 0; }, kWaitMs));
  EXPECT_EQ(f.widget.Control().FrameCount(), 3);

  f.widget.Control().LoadAnimatedGIF_Remote(QUrl::fromLocalFile(path).toString().toStdString());
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.completes > 1; }, kWaitMs));
  EXPECT_EQ(f.failures, 0);

  // A missing file fails once, later; a scheme the host cannot read is
  // refused at once.
  f.widget.Control().LoadAnimatedGIF_Remote(dir.filePath(QStringLiteral("none.gif")).toStdString());
  EXPECT_EQ(f.failures, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.failures > 0; }, kWaitMs));
  f.widget.Control().LoadAnimatedGIF_Remote("ftp://127.0.0.1/banner.gif");
  EXPECT_EQ(f.failures, 2);
  QTest::qWait(50);
  EXPECT_EQ(f.failures, 2);
}

TEST(AsyncReaderTest, CancelByNameSilencesOnlyThatRead) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("a.bin"));
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0123456789abcdef");
  }
  std::vector<std::string> done;
  std::vector<int64_t> totals;
  std::vector<std::string> errors;
  AsyncReader reader(
      [&](std::string_view n, int32_t s) {
        if (s == kReadStatusError) errors.emplace_back(n);
      },
      [&](std::string_view n, const std::vector<uint8_t>& data, int64_t total) {
        done.emplace_back(n);
        totals.push_back(total);
        EXPECT_EQ(static_cast<int64_t>(data.size()), total);
      });
  ASSERT_TRUE(reader.Start(path.toStdString(), "a", 0));
  ASSERT_TRUE(reader.Start(path.toStdString(), "b", kReadUseCacheOnFailure));
  EXPECT_FALSE(reader.Start("", "c", 0));
  reader.Cancel("a");
  EXPECT_EQ(reader.RunningCount(), 1u);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !done.empty(); }, kWaitMs));
  QTest::qWait(20);
  EXPECT_EQ(done, std::vector<std::string>{"b"});
  EXPECT_EQ(totals, std::vector<int64_t>{16});
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(reader.RunningCount(), 0u);
}

}  // namespace
}  // namespace veltrano::qtgif
