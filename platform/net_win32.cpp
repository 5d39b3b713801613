// Windows Sockets, started as version 1.1 like the programs always have; select is the poll.
// winsock2.h before windows.h, which would otherwise bring in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <cstring>

#include "platform/net.h"

namespace plat {

namespace {

SOCKET Sock(Socket s) { return static_cast<SOCKET>(s); }

bool Valid(Socket s) { return s != kNoSocket; }

sockaddr_in MakeAddress(std::uint32_t ip, std::uint16_t port) {
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(ip);
  a.sin_port = htons(port);
  return a;
}

Socket FromSock(SOCKET s) { return s == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(s); }

}  // namespace

bool NetStartup() {
  WSADATA data;
  return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

void NetCleanup() { WSACleanup(); }

Socket UdpOpen() { return FromSock(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)); }
Socket TcpOpen() { return FromSock(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)); }

bool Connect(Socket s, std::uint32_t ip, std::uint16_t port) {
  if (!Valid(s)) return false;
  sockaddr_in a = MakeAddress(ip, port);
  return connect(Sock(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

bool Bind(Socket s, std::uint32_t ip, std::uint16_t port) {
  if (!Valid(s)) return false;
  // No SO_REUSEADDR here: on Windows it would let another socket take over a live port.
  sockaddr_in a = MakeAddress(ip, port);
  return bind(Sock(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

bool Listen(Socket s, int backlog) { return Valid(s) && listen(Sock(s), backlog) == 0; }

Socket Accept(Socket s) {
  if (!Valid(s)) return kNoSocket;
  return FromSock(accept(Sock(s), nullptr, nullptr));
}

std::uint16_t LocalPort(Socket s) {
  if (!Valid(s)) return 0;
  sockaddr_in a;
  int len = sizeof a;
  if (getsockname(Sock(s), reinterpret_cast<sockaddr*>(&a), &len) != 0 || a.sin_family != AF_INET) {
    return 0;
  }
  return ntohs(a.sin_port);
}

int PollReadable(Socket s, int timeoutMs) {
  if (!Valid(s)) return -1;
  if (timeoutMs < 0) timeoutMs = 0;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Sock(s), &readable);
  timeval tv;
  tv.tv_sec = timeoutMs / 1000;
  tv.tv_usec = (timeoutMs % 1000) * 1000;
  const int r = select(0, &readable, nullptr, nullptr, &tv);
  if (r == SOCKET_ERROR) return -1;
  return r > 0 ? 1 : 0;
}

int Send(Socket s, const void* data, int len) {
  if (!Valid(s) || len < 0 || (len > 0 && data == nullptr)) return -1;
  const int n = send(Sock(s), static_cast<const char*>(data), len, 0);
  return n == SOCKET_ERROR ? -1 : n;
}

int SendWithin(Socket s, const void* data, int len, int timeoutMs) {
  if (!Valid(s) || len < 0 || (len > 0 && data == nullptr)) return -1;
  const DWORD wait = static_cast<DWORD>(timeoutMs < 0 ? 0 : timeoutMs);
  const DWORD start = GetTickCount();
  // Non-blocking for the length of this call only: the other calls keep their blocking manner.
  u_long mode = 1;
  if (ioctlsocket(Sock(s), FIONBIO, &mode) != 0) return -1;
  const char* p = static_cast<const char*>(data);
  int left = len;
  while (left > 0) {
    const int n = send(Sock(s), p, left, 0);
    if (n != SOCKET_ERROR) {
      p += n;
      left -= n;
      continue;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) break;
    const DWORD spent = GetTickCount() - start;
    if (spent >= wait) break;
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(Sock(s), &writable);
    timeval tv;
    tv.tv_sec = static_cast<long>((wait - spent) / 1000);
    tv.tv_usec = static_cast<long>((wait - spent) % 1000) * 1000;
    if (select(0, nullptr, &writable, nullptr, &tv) != 1) break;  // an error, or no room in time
  }
  mode = 0;
  ioctlsocket(Sock(s), FIONBIO, &mode);
  return left == 0 ? len : -1;
}

int Recv(Socket s, void* buf, int len) {
  if (!Valid(s) || len < 0 || (len > 0 && buf == nullptr)) return -1;
  const int n = recv(Sock(s), static_cast<char*>(buf), len, 0);
  if (n == SOCKET_ERROR) return WSAGetLastError() == WSAEMSGSIZE ? len : -1;
  return n;
}

int SendTo(Socket s, const void* data, int len, std::uint32_t ip, std::uint16_t port) {
  if (!Valid(s) || len < 0 || (len > 0 && data == nullptr)) return -1;
  sockaddr_in a = MakeAddress(ip, port);
  const int n = sendto(Sock(s), static_cast<const char*>(data), len, 0,
                       reinterpret_cast<const sockaddr*>(&a), sizeof a);
  return n == SOCKET_ERROR ? -1 : n;
}

int RecvFrom(Socket s, void* buf, int len, std::uint32_t* ip, std::uint16_t* port) {
  if (!Valid(s) || len < 0 || (len > 0 && buf == nullptr)) return -1;
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  int alen = sizeof a;
  int n =
      recvfrom(Sock(s), static_cast<char*>(buf), len, 0, reinterpret_cast<sockaddr*>(&a), &alen);
  // A datagram longer than the buffer arrives cut, as it does elsewhere.
  if (n == SOCKET_ERROR) {
    if (WSAGetLastError() != WSAEMSGSIZE) return -1;
    n = len;
  }
  if (ip) *ip = ntohl(a.sin_addr.s_addr);
  if (port) *port = ntohs(a.sin_port);
  return n;
}

bool SetSendBuffer(Socket s, int bytes) {
  return Valid(s) && setsockopt(Sock(s), SOL_SOCKET, SO_SNDBUF,
                                reinterpret_cast<const char*>(&bytes), sizeof bytes) == 0;
}

bool SetNoDelay(Socket s) {
  BOOL on = TRUE;
  return Valid(s) && setsockopt(Sock(s), IPPROTO_TCP, TCP_NODELAY,
                                reinterpret_cast<const char*>(&on), sizeof on) == 0;
}

void ShutdownBoth(Socket s) {
  if (Valid(s)) shutdown(Sock(s), SD_BOTH);
}

void Close(Socket s) {
  if (Valid(s)) closesocket(Sock(s));
}

}  // namespace plat
