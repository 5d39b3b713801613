// The simulator's side of both InSim links on loopback, for tests that run the director's
// session against it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "insim_test_support.h"
#include "platform/net.h"

namespace director::test {

inline constexpr int kWaitMs = 5000;

// Windows Sockets for the whole test program (a no-op elsewhere).
class NetEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { plat::NetStartup(); }
  void TearDown() override { plat::NetCleanup(); }
};
inline const ::testing::Environment* const kNet =
    ::testing::AddGlobalTestEnvironment(new NetEnvironment);

// The simulator's side of a version 4 link on loopback.
class TcpSim {
 public:
  TcpSim() {
    listen_ = plat::TcpOpen();
    EXPECT_TRUE(plat::Bind(listen_, plat::kLoopback, 0));
    EXPECT_TRUE(plat::Listen(listen_, 2));
    port_ = plat::LocalPort(listen_);
  }
  ~TcpSim() {
    CloseClient();
    plat::Close(listen_);
  }
  std::uint16_t Port() const { return port_; }
  bool Accept() {
    CloseClient();
    if (plat::PollReadable(listen_, kWaitMs) != 1) return false;
    client_ = plat::Accept(listen_);
    pending_.clear();
    return client_ != plat::kNoSocket;
  }
  // Size bytes count units of this many bytes: 1 (version 4) or 4 (version 10).
  void SetSizeUnit(std::size_t unit) { unit_ = unit; }
  // One packet cut by its Size byte; empty on time-out or when the director closed the link.
  Bytes ReadPacket(int timeoutMs = kWaitMs) {
    for (;;) {
      const std::size_t size = pending_.empty() ? 0 : pending_[0] * unit_;
      if (!pending_.empty() && pending_.size() >= size) {
        Bytes packet(pending_.begin(), pending_.begin() + static_cast<long>(size));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(size));
        return packet;
      }
      if (plat::PollReadable(client_, timeoutMs) != 1) return {};
      std::uint8_t buf[4096];
      const int n = plat::Recv(client_, buf, sizeof(buf));
      if (n <= 0) {
        closedByPeer_ = true;
        return {};
      }
      pending_.insert(pending_.end(), buf, buf + n);
    }
  }
  bool ClosedByPeer() const { return closedByPeer_; }
  void Send(const Bytes& bytes) {
    ASSERT_EQ(plat::Send(client_, bytes.data(), static_cast<int>(bytes.size())),
              static_cast<int>(bytes.size()));
  }
  void CloseClient() {
    if (client_ != plat::kNoSocket) plat::Close(client_);
    client_ = plat::kNoSocket;
  }

 private:
  plat::Socket listen_ = plat::kNoSocket;
  plat::Socket client_ = plat::kNoSocket;
  std::uint16_t port_ = 0;
  Bytes pending_;
  bool closedByPeer_ = false;
  std::size_t unit_ = 1;
};

// The simulator's side of a version 3 link on loopback.
class UdpSim {
 public:
  UdpSim() {
    socket_ = plat::UdpOpen();
    EXPECT_TRUE(plat::Bind(socket_, plat::kLoopback, 0));
    port_ = plat::LocalPort(socket_);
  }
  ~UdpSim() { plat::Close(socket_); }
  std::uint16_t Port() const { return port_; }
  Bytes Read(int timeoutMs = kWaitMs) {
    if (plat::PollReadable(socket_, timeoutMs) != 1) return {};
    std::uint8_t buf[2048];
    const int n = plat::RecvFrom(socket_, buf, sizeof(buf), &peerIp_, &peerPort_);
    return n < 0 ? Bytes() : Bytes(buf, buf + n);
  }
  void Send(const Bytes& bytes) {
    plat::SendTo(socket_, bytes.data(), static_cast<int>(bytes.size()), peerIp_, peerPort_);
  }
  // The director's address, from the last datagram read.
  std::uint16_t PeerPort() const { return peerPort_; }
  void SendTo(const Bytes& bytes, std::uint16_t port) {
    plat::SendTo(socket_, bytes.data(), static_cast<int>(bytes.size()), plat::kLoopback, port);
  }

 private:
  plat::Socket socket_ = plat::kNoSocket;
  std::uint16_t port_ = 0;
  std::uint32_t peerIp_ = 0;
  std::uint16_t peerPort_ = 0;
};

inline std::uint16_t UnusedPort() {
  const plat::Socket s = plat::TcpOpen();
  plat::Bind(s, plat::kLoopback, 0);
  const std::uint16_t port = plat::LocalPort(s);
  plat::Close(s);
  return port;
}

inline Bytes VersionReply() {
  return Cat({B({20, 2, 1, 0}), Padded("0.6Z", 8), Padded("S3", 6), B({8, 0})});
}

// Version 4 handshake up to TINY_SST, byte for byte, with the password and the hotkeys (1-12) of
// the director's settings; reply is what the simulator answers to TINY_VER.
inline void V4Handshake(TcpSim& sim, const Bytes& reply = VersionReply(), const char* password = "",
                        int activateKey = 6, int deactivateKey = 7) {
  ASSERT_TRUE(sim.Accept());
  ASSERT_EQ(sim.ReadPacket(), Cat({B({44, 1, 0, 0, 0, 0, 0x24, 0, 0, 0, 200, 0}),
                                   Padded(password, 16), Padded("Morvane", 16)}));
  ASSERT_EQ(sim.ReadPacket(), B({4, 3, 1, 1}));
  sim.Send(reply);
  ASSERT_EQ(sim.ReadPacket(),
            Cat({B({132, 40, 0, 0}), Padded("^3Morvane: ^2Hello LFS, I am your Morvane", 128)}));
  const std::string activate = "/ctrlf " + std::to_string(activateKey) + " /echo activate Morvane";
  ASSERT_EQ(sim.ReadPacket(), Cat({B({68, 13, 0, 0}), Padded(activate.c_str(), 64)}));
  const std::string deactivate =
      "/ctrlf " + std::to_string(deactivateKey) + " /echo deactivate Morvane";
  ASSERT_EQ(sim.ReadPacket(), Cat({B({68, 13, 0, 0}), Padded(deactivate.c_str(), 64)}));
  ASSERT_EQ(sim.ReadPacket(), B({4, 3, 1, 7}));
}

// Version 3 handshake up to "SST", byte for byte, answering the version request with "0.5V".
inline void V3Handshake(UdpSim& sim, const char* password = "") {
  ASSERT_EQ(sim.Read(), Cat({Padded("ISI", 4), B({0, 0, 0x23, 0}), Padded(password, 16)}));
  ASSERT_EQ(sim.Read(), Cat({Padded("VER", 4), B({0, 0, 0, 0})}));
  sim.Send(Cat({Padded("VER", 4), Padded("0.5V", 8), B({3, 0, 0, 0})}));
  ASSERT_EQ(sim.Read(), Cat({Padded("NLI", 4), B({200, 0, 0, 0})}));
  ASSERT_EQ(sim.Read(), Cat({Padded("MTC", 4), B({0, 0, 0, 0}),
                             Padded("^3Morvane: ^2Hello LFS, I am your Morvane", 64)}));
  ASSERT_EQ(sim.Read(), Cat({Padded("SST", 4), B({0, 0, 0, 0})}));
}

}  // namespace director::test
