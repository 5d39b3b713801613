#include "platform/net.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/thread.h"

namespace plat {
namespace {

class NetTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(NetStartup()); }
  void TearDown() override { NetCleanup(); }
};

// A listening socket on a port the system chose, and a connected pair through it.
struct TcpPair {
  Socket listener = kNoSocket;
  Socket client = kNoSocket;
  Socket server = kNoSocket;
  std::uint16_t port = 0;

  bool Open() {
    listener = TcpOpen();
    if (listener == kNoSocket || !Bind(listener, kLoopback, 0) || !Listen(listener, 4))
      return false;
    port = LocalPort(listener);
    client = TcpOpen();
    // A listener is readable exactly while a connection is pending.
    if (port == 0 || PollReadable(listener, 0) != 0 || client == kNoSocket ||
        !Connect(client, kLoopback, port) || PollReadable(listener, 2000) != 1) {
      return false;
    }
    server = Accept(listener);
    return server != kNoSocket;
  }
  ~TcpPair() {
    Close(client);
    Close(server);
    Close(listener);
  }
};

TEST_F(NetTest, TcpPollsWithItsTimeOutCarriesBytesExactlyAndReportsTheClosedPeer) {
  TcpPair t;
  ASSERT_TRUE(t.Open());
  // Nothing sent yet: the poll waits its time (some timers tick in steps of about 16 ms).
  const std::uint32_t start = TickCount();
  EXPECT_EQ(PollReadable(t.server, 150), 0);
  EXPECT_GE(TickCount() - start, 120u);

  // Small writes sent at once carry the same bytes.
  ASSERT_TRUE(SetNoDelay(t.client));
  const unsigned char out[5] = {0x00, 0xFF, 0x0A, 0x0D, 0x80};
  ASSERT_EQ(Send(t.client, out, 5), 5);
  unsigned char in[16] = {};
  int got = 0;
  while (got < 5) {
    ASSERT_EQ(PollReadable(t.server, 2000), 1);
    int n = Recv(t.server, in + got, 16 - got);
    ASSERT_GT(n, 0);
    got += n;
  }
  EXPECT_EQ(std::memcmp(in, out, 5), 0);

  // Both directions shut: the peer sees readable, then the end of the stream.
  ShutdownBoth(t.client);
  ASSERT_EQ(PollReadable(t.server, 2000), 1);
  EXPECT_EQ(Recv(t.server, in, 16), 0);
}

TEST_F(NetTest, SendingToAVanishedPeerFailsWithoutEndingTheProgram) {
  TcpPair t;
  ASSERT_TRUE(t.Open());
  Close(t.server);
  t.server = kNoSocket;
  char block[4096] = {};
  int result = 0;
  // The first sends may still be taken by the system; a reset follows shortly.
  for (int i = 0; i < 200 && result >= 0; ++i) {
    result = Send(t.client, block, sizeof block);
    if (result >= 0) SleepMs(5);
  }
  EXPECT_EQ(result, -1);
}

TEST_F(NetTest, BoundedSendGivesUpOnAPeerThatDoesNotReadAndKeepsTheOrder) {
  TcpPair t;
  ASSERT_TRUE(t.Open());
  ASSERT_TRUE(SetSendBuffer(t.server, 8192));
  char block[1000];
  int sent = 0;
  int result = 0;
  // The client reads nothing: once the buffers are full a send gives up after its wait.
  for (int i = 0; i < 20000 && result >= 0; ++i) {
    std::memset(block, 'a' + i % 26, sizeof block);
    result = SendWithin(t.server, block, sizeof block, 50);
    if (result >= 0) {
      EXPECT_EQ(result, static_cast<int>(sizeof block));
      sent += result;
    }
  }
  ASSERT_EQ(result, -1);
  // Everything sent before arrives whole and in order.
  std::string got;
  char buf[4096];
  while (got.size() < static_cast<std::size_t>(sent) && PollReadable(t.client, 1000) == 1) {
    const int n = Recv(t.client, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  ASSERT_GE(got.size(), static_cast<std::size_t>(sent));
  for (int i = 0; i < sent / 1000; ++i) {
    ASSERT_EQ(got[static_cast<std::size_t>(i) * 1000 + 999], 'a' + i % 26) << "block " << i;
  }
}

TEST_F(NetTest, UdpDatagramsKeepTheirBoundariesAndSender) {
  Socket a = UdpOpen();
  Socket b = UdpOpen();
  ASSERT_TRUE(Bind(a, kLoopback, 0));
  ASSERT_TRUE(Bind(b, kLoopback, 0));
  const std::uint16_t pa = LocalPort(a);
  const std::uint16_t pb = LocalPort(b);
  ASSERT_NE(pa, 0);

  ASSERT_EQ(SendTo(a, "abc", 3, kLoopback, pb), 3);
  ASSERT_EQ(SendTo(a, "defgh", 5, kLoopback, pb), 5);
  char buf[64];
  std::uint32_t ip = 0;
  std::uint16_t port = 0;
  ASSERT_EQ(PollReadable(b, 2000), 1);
  ASSERT_EQ(RecvFrom(b, buf, sizeof buf, &ip, &port), 3);
  EXPECT_EQ(std::string(buf, 3), "abc");
  EXPECT_EQ(ip, kLoopback);
  EXPECT_EQ(port, pa);
  ASSERT_EQ(PollReadable(b, 2000), 1);
  ASSERT_EQ(RecvFrom(b, buf, sizeof buf, nullptr, nullptr), 5);
  EXPECT_EQ(std::string(buf, 5), "defgh");

  // A connected UDP socket sends and receives with Send and Recv.
  ASSERT_TRUE(Connect(b, kLoopback, pa));
  ASSERT_EQ(Send(b, "xy", 2), 2);
  ASSERT_EQ(PollReadable(a, 2000), 1);
  ASSERT_EQ(Recv(a, buf, sizeof buf), 2);
  EXPECT_EQ(std::string(buf, 2), "xy");
  Close(a);
  Close(b);
}

TEST_F(NetTest, FailuresAreReportedByTheResult) {
  // A closed port refuses; a live port is never shared, whatever the socket options.
  Socket gone = TcpOpen();
  ASSERT_TRUE(Bind(gone, kLoopback, 0));
  const std::uint16_t port = LocalPort(gone);
  Close(gone);
  Socket c = TcpOpen();
  EXPECT_FALSE(Connect(c, kLoopback, port));
  Close(c);
  for (bool tcp : {false, true}) {
    Socket s1 = tcp ? TcpOpen() : UdpOpen();
    Socket s2 = tcp ? TcpOpen() : UdpOpen();
    ASSERT_TRUE(Bind(s1, kLoopback, 0));
    ASSERT_TRUE(!tcp || Listen(s1, 1));
    EXPECT_FALSE(Bind(s2, kLoopback, LocalPort(s1))) << tcp;
    Close(s1);
    Close(s2);
  }
  char buf[4];
  EXPECT_EQ(PollReadable(kNoSocket, 0), -1);
  EXPECT_EQ(Send(kNoSocket, "a", 1), -1);
  EXPECT_EQ(SendWithin(kNoSocket, "a", 1, 10), -1);
  EXPECT_EQ(Recv(kNoSocket, buf, 4), -1);
  EXPECT_EQ(LocalPort(kNoSocket), 0);
  EXPECT_EQ(Accept(kNoSocket), kNoSocket);
  EXPECT_FALSE(SetNoDelay(kNoSocket));
  Socket datagram = UdpOpen();
  EXPECT_FALSE(SetNoDelay(datagram));  // a stream option
  Close(datagram);
  ShutdownBoth(kNoSocket);
  Close(kNoSocket);
}

TEST(ParseIPv4, FollowsTheClassicRules) {
  struct Case {
    const char* text;
    bool ok;
    std::uint32_t ip;
  } cases[] = {
      // clang-format off
      {"127.0.0.1", true, 0x7F000001u}, {"192.168.1.20", true, 0xC0A80114u}, {"0.0.0.0", true, 0u},
      {"10.1", true, 0x0A000001u},        // last part fills three bytes
      {"10.1.258", true, 0x0A010102u},    // last part fills two bytes
      {"2130706433", true, 0x7F000001u},  // one part is the whole address
      {"0x7f.1", true, 0x7F000001u}, {"010.0.0.1", true, 0x08000001u},  // hexadecimal, octal
      {"1.2.3.4 trailing", true, 0x01020304u}, {"255.255.255.254", true, 0xFFFFFFFEu},
      {"255.255.255.255", false, 0}, {"4294967295", false, 0},  // the error value itself
      {"4294967296", false, 0}, {"256.1.1.1", false, 0}, {"1.2.3.256", false, 0},
      {"1.2.65536", false, 0}, {"08.0.0.1", false, 0} /* 8 is no octal digit */, {"0x", false, 0},
      {"", false, 0}, {" 1.2.3.4", false, 0}, {"1.2.3.4.5", false, 0}, {"1..2", false, 0},
      {"1.2.3.", false, 0}, {"1.2.3.4x", false, 0}, {"localhost", false, 0},
      // clang-format on
  };
  for (const Case& c : cases) {
    std::uint32_t ip = 0xDEADBEEFu;
    EXPECT_EQ(ParseIPv4(c.text, &ip), c.ok) << '"' << c.text << '"';
    if (c.ok) {
      EXPECT_EQ(ip, c.ip) << '"' << c.text << '"';
    }
  }
  EXPECT_FALSE(ParseIPv4(nullptr, nullptr));
}

}  // namespace
}  // namespace plat
