// The simulator's end of the InSim link on 127.0.0.1: versions 4 and 10 listen for one TCP
// connection at a time and cut the stream into packets by their Size byte (bytes in version 4,
// units of 4 bytes in version 10; a version 10 connection whose first packet is a byte-counted
// IS_ISI is cut in bytes, so its init can be read); version 3 takes UDP datagrams, one
// packet each, and answers the address the "ISI" came from (or its reply port, when it names one).
//
// Poll never blocks: it accepts, reads what is there and hands each complete packet to the
// listener. A version 4 stream whose Size byte is below 4 cannot be cut any further: the
// connection is dropped. Which client counts as connected in version 3 is decided by the listener
// (Accept3): an "ISI" from a new address starts a session, "ISC" ends it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/net.h"
#include "tools/racesim/wire/framing.h"

namespace racesim {

// Cuts a TCP byte stream into packets, keeping an incomplete packet across reads. The Size byte
// counts units of `unit` bytes (1: version 4; 4: version 10).
class StreamCutter {
 public:
  explicit StreamCutter(int unit = 1) : unit_(unit) {}
  void Feed(const std::uint8_t* data, int count);
  // The next complete packet, if any. A packet of less than 4 bytes breaks the stream for good.
  bool Next(Bytes* packet);
  bool Broken() const { return broken_; }
  std::size_t Pending() const { return buffer_.size() - start_; }
  // Version 10: the first packet was a byte-counted IS_ISI, so the stream is cut in bytes.
  bool ByteCounted() const { return byteCounted_; }

 private:
  std::vector<std::uint8_t> buffer_;
  std::size_t start_ = 0;
  int unit_ = 1;
  bool first_ = true;
  bool byteCounted_ = false;
  bool broken_ = false;
};

class InsimListener {
 public:
  virtual ~InsimListener() = default;
  // Version 4: a TCP client was accepted. Version 3: not called (see OnDatagramFrom).
  virtual void OnConnected() = 0;
  virtual void OnPacket(const std::uint8_t* data, int size) = 0;
  // The connection ended: the peer closed it, a receive failed, or the stream broke.
  virtual void OnDisconnected(const std::string& why) = 0;
};

class InsimServer {
 public:
  InsimServer() = default;
  ~InsimServer();
  InsimServer(const InsimServer&) = delete;
  InsimServer& operator=(const InsimServer&) = delete;

  // Listens (versions 4, 10) or binds (version 3) on 127.0.0.1 at the port. False with a reason.
  bool Open(int version, std::uint16_t port, std::string* error);
  int Version() const { return version_; }
  std::uint16_t Port() const { return port_; }

  void Poll(InsimListener& listener);
  // Version 4: a client is connected. Version 3: a peer address is known.
  bool HasPeer() const;
  // Version 4: the connected client's socket (plat::kNoSocket without one).
  plat::Socket ClientSocket() const { return client_; }
  // Version 10: the connected client spoke the byte-counted framing of older versions.
  bool ClientByteCounted() const { return cutter_.ByteCounted(); }
  // Version 3: the address further packets go to.
  void SetV3Peer(std::uint32_t ip, std::uint16_t port);
  std::uint32_t LastDatagramIp() const { return lastIp_; }
  std::uint16_t LastDatagramPort() const { return lastPort_; }
  bool Send(const Bytes& packet);
  // Ends the current connection (version 4) or forgets the peer (version 3).
  void Drop();

 private:
  int version_ = 4;
  std::uint16_t port_ = 0;
  plat::Socket listen_ = plat::kNoSocket;
  plat::Socket client_ = plat::kNoSocket;
  plat::Socket udp_ = plat::kNoSocket;
  std::uint32_t peerIp_ = 0;
  std::uint16_t peerPort_ = 0;
  std::uint32_t lastIp_ = 0;
  std::uint16_t lastPort_ = 0;
  StreamCutter cutter_;
  StreamCutter FreshCutter() const;
};

}  // namespace racesim
