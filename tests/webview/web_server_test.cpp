#include "web/web_server.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/webview/web_test_support.h"
#include "web/http/web_json.h"

namespace director {
namespace {

using webtest::Body;
using webtest::ConnectTo;
using webtest::Exchange;
using webtest::Get;
using webtest::ReadFrom;
using webtest::StatusLine;

// The peer closed: readable, and nothing to read.
bool ClosedByPeer(plat::Socket s) {
  char c;
  return plat::PollReadable(s, 0) == 1 && plat::Recv(s, &c, 1) <= 0;
}

class WebServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::NetStartup();
    std::string error;
    ASSERT_TRUE(server.Start("127.0.0.1", 0, &error)) << error;
    port = server.Port();
    ASSERT_NE(port, 0);
  }
  void TearDown() override {
    server.Stop();
    plat::NetCleanup();
  }
  void Publish(int rows) {
    auto s = std::make_unique<WebSnapshot>();
    s->connected = true;
    s->rowCount = static_cast<std::uint16_t>(rows);
    box.Publish(*s);
  }
  std::string Latest() {
    auto s = std::make_unique<WebSnapshot>();
    box.Latest(s.get());
    return StateJson(*s);
  }

  SnapshotBox box;
  WebServer server{box};
  std::uint16_t port = 0;
};

TEST_F(WebServerTest, ServesThePageTheStateAndTheTrack) {
  Publish(2);
  const std::string state = Get(port, "/state");
  EXPECT_EQ(StatusLine(state), "HTTP/1.1 200 OK");
  EXPECT_NE(state.find("Content-Type: application/json"), std::string::npos);
  EXPECT_NE(state.find("Cache-Control: no-store"), std::string::npos);
  EXPECT_EQ(Body(state), Latest());

  const std::string page = Get(port, "/");
  EXPECT_EQ(StatusLine(page), "HTTP/1.1 200 OK");
  EXPECT_NE(page.find("Content-Type: text/html"), std::string::npos);
  EXPECT_NE(Body(page).find("<html"), std::string::npos);
  EXPECT_EQ(Body(Get(port, "/overlay")), Body(page));
  EXPECT_NE(Get(port, "/app.js").find("Content-Type: text/javascript"), std::string::npos);

  EXPECT_EQ(StatusLine(Get(port, "/track")), "HTTP/1.1 404 Not Found");
  WebTrack track;
  track.name = "BL1";
  track.centre = {{1, 2}};
  box.PublishTrack(track);
  const std::string map = Get(port, "/track");
  EXPECT_EQ(StatusLine(map), "HTTP/1.1 200 OK");
  EXPECT_EQ(Body(map), TrackJson(*box.Track()));
}

TEST_F(WebServerTest, NothingOutsideThePageCanBeNamed) {
  for (const char* path : {"/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/..%2f..%2fetc%2fpasswd",
                           "/index.html", "/page/app.js", "//etc/passwd", "/nope", "/state/x"}) {
    const std::string answer = Get(port, path);
    EXPECT_EQ(StatusLine(answer), "HTTP/1.1 404 Not Found") << path;
    EXPECT_EQ(answer.find("root:"), std::string::npos) << path;
  }
  const std::string post = Exchange(port, "POST /state HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}");
  EXPECT_NE(StatusLine(post).find(" 404 "), std::string::npos) << "read-only: " << post;
}

TEST_F(WebServerTest, OversizedRequestsAreDroppedUnanswered) {
  const std::string longHeader = "GET /state HTTP/1.1\r\nX-Big: " + std::string(64 * 1024, 'a') + "\r\n\r\n";
  EXPECT_EQ(Exchange(port, longHeader).find("200 OK"), std::string::npos);
  const std::string longPath = "GET /" + std::string(20000, 'a') + " HTTP/1.1\r\n\r\n";
  EXPECT_EQ(Exchange(port, longPath).find("200 OK"), std::string::npos);
  EXPECT_EQ(StatusLine(Get(port, "/state")), "HTTP/1.1 200 OK") << "and the server goes on";
}

TEST_F(WebServerTest, ATricklingClientIsDroppedAtTheRequestDeadline) {
  plat::OwnedSocket s(ConnectTo(port));
  ASSERT_TRUE(s.Valid());
  ASSERT_EQ(plat::Send(s.Get(), "G", 1), 1);
  // Nothing more comes; the server gives up on its own and closes without an answer.
  EXPECT_EQ(ReadFrom(s.Get(), kWebRequestDeadlineMs * 3), "");
  EXPECT_TRUE(ClosedByPeer(s.Get()));
  EXPECT_EQ(StatusLine(Get(port, "/state")), "HTTP/1.1 200 OK");
}

TEST_F(WebServerTest, EventsBringTheLatestStateAndEveryNewOne) {
  Publish(1);
  plat::OwnedSocket s(ConnectTo(port));
  ASSERT_TRUE(s.Valid());
  const std::string request = "GET /events HTTP/1.1\r\nHost: x\r\n\r\n";
  ASSERT_GT(plat::Send(s.Get(), request.data(), static_cast<int>(request.size())), 0);
  // Each event is one chunk: the event lines whole, with the JSON that /state gives.
  std::string stream;
  const std::string first = "event: state\ndata: " + Latest() + "\n\n";
  EXPECT_TRUE(webtest::ReadInto(s.Get(), &stream, 10000, first.c_str())) << stream;
  EXPECT_NE(stream.find("Content-Type: text/event-stream"), std::string::npos);
  EXPECT_LT(stream.find("retry: 1000\n\n"), stream.find(first));
  Publish(3);
  const std::string second = "event: state\ndata: " + Latest() + "\n\n";
  EXPECT_TRUE(webtest::ReadInto(s.Get(), &stream, 10000, second.c_str())) << stream;
  // Stopping ends the stream.
  server.Stop();
  ReadFrom(s.Get(), 10000);
  EXPECT_TRUE(ClosedByPeer(s.Get()));
}

TEST_F(WebServerTest, ViewersAreBoundedAndTheRestAreRefused) {
  Publish(1);
  std::vector<std::unique_ptr<plat::OwnedSocket>> viewers;
  const std::string request = "GET /events HTTP/1.1\r\nHost: x\r\n\r\n";
  for (int i = 0; i < kWebViewers; ++i) {
    viewers.push_back(std::make_unique<plat::OwnedSocket>(ConnectTo(port)));
    ASSERT_TRUE(viewers.back()->Valid());
    plat::Send(viewers.back()->Get(), request.data(), static_cast<int>(request.size()));
    ASSERT_NE(ReadFrom(viewers.back()->Get(), 10000, "event: state").find("event: state"),
              std::string::npos)
        << "viewer " << i;
  }
  EXPECT_EQ(StatusLine(Exchange(port, request)), "HTTP/1.1 503 Service Unavailable");
  EXPECT_EQ(StatusLine(Get(port, "/state")), "HTTP/1.1 200 OK") << "the page still loads";
  viewers.pop_back();  // one leaves: its seat is free again once its stream notices
  std::string answer;
  for (int tries = 0; tries < 100 && answer.find("event: state") == std::string::npos; ++tries) {
    plat::SleepMs(50);
    plat::OwnedSocket s(ConnectTo(port));
    plat::Send(s.Get(), request.data(), static_cast<int>(request.size()));
    answer = ReadFrom(s.Get(), 2000, "event: state");
  }
  EXPECT_NE(answer.find("event: state"), std::string::npos);
}

TEST_F(WebServerTest, ConnectionsBeyondTheThreadsAreRefusedAtOnce) {
  std::vector<std::unique_ptr<plat::OwnedSocket>> idle;
  for (int i = 0; i < 200; ++i) idle.push_back(std::make_unique<plat::OwnedSocket>(ConnectTo(port)));
  for (auto& s : idle) ASSERT_TRUE(s->Valid());
  // Every thread now waits for a request that does not come; the rest were refused.
  int refused = 0;
  for (auto& s : idle) {
    if (s->Valid() && StatusLine(ReadFrom(s->Get(), 200)) == "HTTP/1.1 503 Service Unavailable")
      ++refused;
  }
  // Exactly the rest, unless a thread was freed by the request deadline meanwhile.
  EXPECT_LE(refused, 200 - kWebThreads);
  EXPECT_GE(refused, 200 - kWebThreads - 20);
  idle.clear();
  std::string answer;
  for (int tries = 0; tries < 100 && StatusLine(answer) != "HTTP/1.1 200 OK"; ++tries)
    answer = Get(port, "/state");
  EXPECT_EQ(StatusLine(answer), "HTTP/1.1 200 OK");
}

TEST(WebServer, AnAddressThatIsNotDottedIpv4OrATakenPortIsRefusedWithAMessage) {
  plat::NetStartup();
  SnapshotBox box;
  WebServer first(box), second(box);
  std::string error;
  EXPECT_FALSE(first.Start("localhost", 0, &error));
  EXPECT_EQ(error, "the web view's address must be dotted IPv4, such as 127.0.0.1: localhost");
  ASSERT_TRUE(first.Start("127.0.0.1", 0, &error));
  EXPECT_FALSE(second.Start("127.0.0.1", first.Port(), &error));
  EXPECT_EQ(error, "the web view could not listen on 127.0.0.1:" + std::to_string(first.Port()));
  EXPECT_FALSE(second.Running());
  first.Stop();
  first.Stop();
  EXPECT_FALSE(first.Running());
  plat::NetCleanup();
}

}  // namespace
}  // namespace director
