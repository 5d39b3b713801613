#include "tools/racesim/insim_server.h"

#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

namespace {
constexpr int kReadChunk = 4096;
constexpr int kDatagramMax = 2048;
}  // namespace

void StreamCutter::Feed(const std::uint8_t* data, int count) {
  if (start_ > 0) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(start_));
    start_ = 0;
  }
  buffer_.insert(buffer_.end(), data, data + count);
}

bool StreamCutter::Next(Bytes* packet) {
  if (broken_ || Pending() < 1) return false;
  if (first_ && unit_ != 1 && Pending() >= 2) {
    // An older program's IS_ISI says 44 (bytes) where version 10 says 11 (units).
    first_ = false;
    if (buffer_[start_] == kIsiSize && buffer_[start_ + 1] == ISP_ISI) {
      unit_ = 1;
      byteCounted_ = true;
    }
  }
  const std::size_t size =
      static_cast<std::size_t>(buffer_[start_]) * static_cast<std::size_t>(unit_);
  if (size < 4) {
    broken_ = true;
    return false;
  }
  if (Pending() < size) return false;
  packet->assign(buffer_.begin() + static_cast<long>(start_),
                 buffer_.begin() + static_cast<long>(start_ + size));
  start_ += size;
  if (start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
  return true;
}

InsimServer::~InsimServer() {
  Drop();
  if (listen_ != plat::kNoSocket) plat::Close(listen_);
  if (udp_ != plat::kNoSocket) plat::Close(udp_);
}

bool InsimServer::Open(int version, std::uint16_t port, std::string* error) {
  version_ = version;
  port_ = port;
  if (version == 3) {
    udp_ = plat::UdpOpen();
    if (udp_ == plat::kNoSocket || !plat::Bind(udp_, plat::kLoopback, port)) {
      *error = "cannot bind UDP port " + std::to_string(port) + " on 127.0.0.1";
      return false;
    }
    port_ = plat::LocalPort(udp_);
    return true;
  }
  listen_ = plat::TcpOpen();
  if (listen_ == plat::kNoSocket || !plat::Bind(listen_, plat::kLoopback, port) ||
      !plat::Listen(listen_, 4)) {
    *error = "cannot listen on TCP port " + std::to_string(port) + " of 127.0.0.1";
    return false;
  }
  port_ = plat::LocalPort(listen_);
  return true;
}

StreamCutter InsimServer::FreshCutter() const {
  return StreamCutter(version_ == kInsim10 ? kSizeUnit10 : 1);
}

bool InsimServer::HasPeer() const {
  return version_ == 3 ? peerPort_ != 0 : client_ != plat::kNoSocket;
}

void InsimServer::SetV3Peer(std::uint32_t ip, std::uint16_t port) {
  peerIp_ = ip;
  peerPort_ = port;
}

void InsimServer::Drop() {
  if (client_ != plat::kNoSocket) {
    plat::ShutdownBoth(client_);
    plat::Close(client_);
    client_ = plat::kNoSocket;
  }
  cutter_ = FreshCutter();
  peerIp_ = 0;
  peerPort_ = 0;
}

bool InsimServer::Send(const Bytes& packet) {
  if (packet.empty()) return false;
  const int size = static_cast<int>(packet.size());
  if (version_ == 3) {
    if (peerPort_ == 0) return false;
    return plat::SendTo(udp_, packet.data(), size, peerIp_, peerPort_) == size;
  }
  if (client_ == plat::kNoSocket) return false;
  return plat::Send(client_, packet.data(), size) == size;
}

void InsimServer::Poll(InsimListener& listener) {
  if (version_ == 3) {
    std::uint8_t buf[kDatagramMax];
    while (udp_ != plat::kNoSocket && plat::PollReadable(udp_, 0) == 1) {
      const int n = plat::RecvFrom(udp_, buf, sizeof(buf), &lastIp_, &lastPort_);
      // A datagram refused by a closed port of the peer shows up as an error on some systems;
      // it says nothing about this socket, so it is skipped.
      if (n < 0) break;
      listener.OnPacket(buf, n);
    }
    return;
  }
  if (client_ == plat::kNoSocket) {
    if (listen_ != plat::kNoSocket && plat::PollReadable(listen_, 0) == 1) {
      client_ = plat::Accept(listen_);
      if (client_ != plat::kNoSocket) {
        // Each position set goes out as several small packets; held back until the director
        // acknowledges the first (its delayed ACK), sets would reach it late and in bunches, and
        // a race run faster than the clock would be directed from every fourth set or so.
        plat::SetNoDelay(client_);
        cutter_ = FreshCutter();
        listener.OnConnected();
      }
    }
    if (client_ == plat::kNoSocket) return;
  }
  for (int reads = 0; reads < 16 && client_ != plat::kNoSocket; ++reads) {
    const int ready = plat::PollReadable(client_, 0);
    if (ready == 0) return;
    std::uint8_t buf[kReadChunk];
    const int n = ready < 0 ? -1 : plat::Recv(client_, buf, sizeof(buf));
    if (n <= 0) {
      Drop();
      listener.OnDisconnected(n == 0 ? "the director closed the connection" : "receive failed");
      return;
    }
    cutter_.Feed(buf, n);
    Bytes packet;
    while (client_ != plat::kNoSocket && cutter_.Next(&packet)) {
      listener.OnPacket(packet.data(), static_cast<int>(packet.size()));
    }
    if (client_ != plat::kNoSocket && cutter_.Broken()) {
      Drop();
      listener.OnDisconnected("a packet with a size below 4 bytes: the stream cannot be cut");
      return;
    }
  }
}

}  // namespace racesim
