// Sockets: the little of BSD sockets / Winsock that both programs need (IPv4 only).
//
// Addresses are IPv4 in host byte order (127.0.0.1 is 0x7F000001) and ports are plain numbers;
// conversion to network order happens inside. Every call reports failure by its result, never by
// an exception, and none of them blocks unless it says so. A socket is closed by Close only.
#pragma once

#include <cstdint>

namespace plat {

using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;
inline constexpr std::uint32_t kLoopback = 0x7F000001u;
inline constexpr std::uint32_t kAnyAddress = 0;

// Windows Sockets 1.1 start-up and clean-up; no-ops elsewhere. Calls may nest.
bool NetStartup();
void NetCleanup();

Socket UdpOpen();
Socket TcpOpen();

// Blocking connect; false when refused or unreachable.
bool Connect(Socket s, std::uint32_t ip, std::uint16_t port);
// Bind to an address and port (port 0 lets the system choose: see LocalPort). Sets SO_REUSEADDR
// only on POSIX, where it merely allows rebinding after TIME_WAIT, never sharing a live port.
bool Bind(Socket s, std::uint32_t ip, std::uint16_t port);
bool Listen(Socket s, int backlog);
// Blocking accept; kNoSocket on failure.
Socket Accept(Socket s);
// The local port a socket is bound to, 0 when unknown.
std::uint16_t LocalPort(Socket s);

// Wait until the socket is readable (data, a closed peer or a pending connection), at most
// timeoutMs milliseconds (0 = just look). 1 readable, 0 timed out, -1 error.
int PollReadable(Socket s, int timeoutMs);

// Bytes sent or received, or -1 on error. Recv returns 0 when the peer closed a stream.
int Send(Socket s, const void* data, int len);
int Recv(Socket s, void* buf, int len);
// Sends all len bytes, waiting at most timeoutMs for a peer that does not take them: len, or -1
// on an error or when the time ran out. After a -1 part of the data may have gone out, so the
// stream is unusable and the caller ends the connection. Never blocks longer than the time-out.
int SendWithin(Socket s, const void* data, int len, int timeoutMs);
int SendTo(Socket s, const void* data, int len, std::uint32_t ip, std::uint16_t port);
// Receives one datagram (cut to len when longer); the sender's address and port are stored where
// not null.
int RecvFrom(Socket s, void* buf, int len, std::uint32_t* ip, std::uint16_t* port);

// Caps the bytes the system holds for sending to a peer (the system may round it up); false when
// refused. Without a cap a peer that stops reading can hold megabytes that then arrive stale.
bool SetSendBuffer(Socket s, int bytes);
// Sends small writes of a stream at once instead of holding them until earlier data is
// acknowledged (TCP_NODELAY); false when refused. For links where a packet's delay matters more
// than the count of segments.
bool SetNoDelay(Socket s);

void ShutdownBoth(Socket s);
void Close(Socket s);

// Owns one socket and closes it when it goes out of scope, so that no early return leaks it.
class OwnedSocket {
 public:
  explicit OwnedSocket(Socket s) : s_(s) {}
  ~OwnedSocket() {
    if (s_ != kNoSocket) Close(s_);
  }
  OwnedSocket(const OwnedSocket&) = delete;
  OwnedSocket& operator=(const OwnedSocket&) = delete;

  Socket Get() const { return s_; }
  bool Valid() const { return s_ != kNoSocket; }

 private:
  Socket s_;
};

// Dotted IPv4 text to an address, with the classic inet_addr rules. False for text that does not
// convert and for 255.255.255.255, which cannot be told apart from the error value there.
bool ParseIPv4(const char* text, std::uint32_t* ip);

}  // namespace plat
