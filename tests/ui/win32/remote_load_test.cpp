// Remote loads through the Windows host: WinHTTP against a small HTTP server
// inside the test on 127.0.0.1, an error status, a port nobody listens on,
// and a local file.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>

#include "tests/testing/gif_blocks.h"
#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/anigif/gif_control_window.h"
#include "ui/win32/anigif/remote_reader.h"
#include "ui/win32/wide_text.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "ui/win32/windows_api.h"

namespace veltrano::win32 {
namespace {

using anigif::testing::Bytes;
using testing::PumpUntil;
using testing::TestWindow;

Bytes TwoFrames() {
  using namespace anigif::testing;
  Bytes out;
  AppendHeader(out, "GIF89a", 12, 7, {0xFF0000, 0x00FF00});
  AppendLoops(out, 0);
  for (int i = 0; i < 2; ++i) {
    AppendControl(out, 1, 10, -1);
    ImageSpec image;
    image.width = 12;
    image.height = 7;
    image.pixels.assign(84, static_cast<uint8_t>(i));
    AppendImage(out, image, true);
  }
  AppendTrailer(out);
  return out;
}

// Answers each connection with one fixed response, on its own thread.
class OneFileServer {
 public:
  OneFileServer(int status, const Bytes& body) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener_, 4);
    int size = sizeof(address);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    std::string response = "HTTP/1.1 " + std::to_string(status) +
                           (status == 200 ? " OK" : " Not Found") +
                           "\r\nContent-Type: image/gif\r\nContent-Length: " +
                           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    response.append(body.begin(), body.end());
    thread_ = std::thread([this, response] {
      for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
          const int n = recv(client, buffer, sizeof buffer, 0);
          if (n <= 0) break;
          request.append(buffer, static_cast<size_t>(n));
        }
        ++requests_;
        send(client, response.data(), static_cast<int>(response.size()), 0);
        shutdown(client, SD_SEND);
        closesocket(client);
      }
    });
  }
  ~OneFileServer() {
    closesocket(listener_);
    thread_.join();
    WSACleanup();
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int Requests() const { return requests_; }

 private:
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<int> requests_{0};
  std::thread thread_;
};

struct Outcome {
  int complete = 0;
  int failure = 0;
  float width = 0, height = 0;
};

void Watch(GifControlWindow& host, Outcome& outcome) {
  host.Control().Events().RemoteLoadComplete = [&outcome](float w, float h, bool&) {
    ++outcome.complete;
    outcome.width = w;
    outcome.height = h;
  };
  host.Control().Events().RemoteLoadFailure = [&outcome] { ++outcome.failure; };
}

TEST(RemoteLoad, AGifFromTheServerLoadsAndRaisesRemoteLoadComplete) {
  OneFileServer server(200, TwoFrames());
  TestWindow parent;
  GifControlWindow host;
  ASSERT_TRUE(host.Create(parent.Handle(), 0, 0, 20, 20));
  Outcome outcome;
  Watch(host, outcome);
  host.Control().LoadAnimatedGIF_Remote(server.Url("/banner.gif"));
  // Nothing is reported inside the call that starts the read.
  EXPECT_EQ(outcome.complete + outcome.failure, 0);
  ASSERT_TRUE(PumpUntil([&] { return outcome.complete + outcome.failure > 0; }, 10000));
  EXPECT_EQ(outcome.complete, 1);
  EXPECT_EQ(outcome.failure, 0);
  // The GIF's size in the container's units (15 per pixel).
  EXPECT_EQ(outcome.width, 12 * 15.0f);
  EXPECT_EQ(outcome.height, 7 * 15.0f);
  EXPECT_GE(host.Control().CurrentFrame(), 1);
  EXPECT_EQ(server.Requests(), 1);
}

TEST(RemoteLoad, AnErrorStatusOrNoServerRaisesRemoteLoadFailure) {
  TestWindow parent;
  {
    OneFileServer server(404, Bytes{'n', 'o'});
    GifControlWindow host;
    ASSERT_TRUE(host.Create(parent.Handle(), 0, 0, 20, 20));
    Outcome outcome;
    Watch(host, outcome);
    host.Control().LoadAnimatedGIF_Remote(server.Url("/missing.gif"));
    ASSERT_TRUE(PumpUntil([&] { return outcome.complete + outcome.failure > 0; }, 10000));
    EXPECT_EQ(outcome.failure, 1);
    EXPECT_EQ(outcome.complete, 0);
    EXPECT_EQ(host.Control().CurrentFrame(), 0);
  }
  {
    // A port taken from a server that is gone again: nobody listens there.
    std::string url;
    {
      OneFileServer gone(200, Bytes{});
      url = gone.Url("/x.gif");
    }
    GifControlWindow host;
    ASSERT_TRUE(host.Create(parent.Handle(), 0, 0, 20, 20));
    Outcome outcome;
    Watch(host, outcome);
    host.Control().LoadAnimatedGIF_Remote(url);
    ASSERT_TRUE(PumpUntil([&] { return outcome.complete + outcome.failure > 0; }, 15000));
    EXPECT_EQ(outcome.failure, 1);
  }
}

TEST(RemoteLoad, LocalFilesAndRefusedSchemes) {
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  const std::string path = Narrow(base) + "veltrano-remote-" +
                           std::to_string(GetCurrentProcessId()) + ".gif";
  const Bytes gif = TwoFrames();
  std::ofstream(Widen(path).c_str(), std::ios::binary)
      .write(reinterpret_cast<const char*>(gif.data()), static_cast<std::streamsize>(gif.size()));
  TestWindow parent;
  GifControlWindow host;
  ASSERT_TRUE(host.Create(parent.Handle(), 0, 0, 20, 20));
  Outcome outcome;
  Watch(host, outcome);
  host.Control().LoadAnimatedGIF_Remote(path);
  ASSERT_TRUE(PumpUntil([&] { return outcome.complete + outcome.failure > 0; }, 10000));
  EXPECT_EQ(outcome.complete, 1);
  DeleteFileW(Widen(path).c_str());

  RemoteReader reader(parent.Handle(), WM_APP + 1);
  EXPECT_FALSE(reader.Start("", "p", 0));
  EXPECT_FALSE(reader.Start("ftp://127.0.0.1/x.gif", "p", 0));
  EXPECT_EQ(reader.RunningCount(), 0u);
}

}  // namespace
}  // namespace veltrano::win32
