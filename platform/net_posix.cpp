// BSD sockets. Calls interrupted by a signal are resumed, and writes to a closed peer report an
// error instead of raising SIGPIPE, which would end the whole program.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/net.h"

namespace plat {

namespace {

sockaddr_in MakeAddress(std::uint32_t ip, std::uint16_t port) {
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(ip);
  a.sin_port = htons(port);
  return a;
}

Socket OpenSocket(int type) {
  int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
  return fd < 0 ? kNoSocket : static_cast<Socket>(fd);
}

int Fd(Socket s) { return static_cast<int>(s); }

bool Valid(Socket s) { return s >= 0 && s <= 0x7FFFFFFF; }

std::uint64_t MonotonicMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

// A connect interrupted by a signal goes on in the background; wait for its outcome.
bool FinishInterruptedConnect(int fd) {
  pollfd p{fd, POLLOUT, 0};
  int r;
  do {
    r = poll(&p, 1, -1);
  } while (r < 0 && errno == EINTR);
  if (r <= 0) return false;
  int err = 0;
  socklen_t len = sizeof err;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
}

}  // namespace

bool NetStartup() { return true; }
void NetCleanup() {}

Socket UdpOpen() { return OpenSocket(SOCK_DGRAM); }
Socket TcpOpen() { return OpenSocket(SOCK_STREAM); }

bool Connect(Socket s, std::uint32_t ip, std::uint16_t port) {
  if (!Valid(s)) return false;
  sockaddr_in a = MakeAddress(ip, port);
  if (connect(Fd(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return true;
  if (errno == EINTR) return FinishInterruptedConnect(Fd(s));
  return false;
}

bool Bind(Socket s, std::uint32_t ip, std::uint16_t port) {
  if (!Valid(s)) return false;
  // Only streams get SO_REUSEADDR: on Linux it would let two UDP sockets share one live port.
  int type = 0;
  socklen_t len = sizeof type;
  if (getsockopt(Fd(s), SOL_SOCKET, SO_TYPE, &type, &len) == 0 && type == SOCK_STREAM) {
    int on = 1;
    setsockopt(Fd(s), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  }
  sockaddr_in a = MakeAddress(ip, port);
  return bind(Fd(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

bool Listen(Socket s, int backlog) { return Valid(s) && listen(Fd(s), backlog) == 0; }

Socket Accept(Socket s) {
  if (!Valid(s)) return kNoSocket;
  int fd;
  do {
    fd = accept4(Fd(s), nullptr, nullptr, SOCK_CLOEXEC);
  } while (fd < 0 && (errno == EINTR || errno == ECONNABORTED));
  return fd < 0 ? kNoSocket : static_cast<Socket>(fd);
}

std::uint16_t LocalPort(Socket s) {
  if (!Valid(s)) return 0;
  sockaddr_in a;
  socklen_t len = sizeof a;
  if (getsockname(Fd(s), reinterpret_cast<sockaddr*>(&a), &len) != 0 || a.sin_family != AF_INET) {
    return 0;
  }
  return ntohs(a.sin_port);
}

int PollReadable(Socket s, int timeoutMs) {
  if (!Valid(s)) return -1;
  if (timeoutMs < 0) timeoutMs = 0;
  const std::uint64_t deadline = MonotonicMs() + static_cast<std::uint64_t>(timeoutMs);
  for (;;) {
    pollfd p{Fd(s), POLLIN, 0};
    int r = poll(&p, 1, timeoutMs);
    if (r > 0) {
      if (p.revents & POLLNVAL) return -1;
      // A reset or hung-up peer counts as readable, as with select: the next Recv reports it.
      return 1;
    }
    if (r == 0) return 0;
    if (errno != EINTR) return -1;
    const std::uint64_t now = MonotonicMs();
    timeoutMs = now >= deadline ? 0 : static_cast<int>(deadline - now);
  }
}

int Send(Socket s, const void* data, int len) {
  if (!Valid(s) || len < 0 || (len > 0 && data == nullptr)) return -1;
  ssize_t n;
  do {
    n = send(Fd(s), data, static_cast<size_t>(len), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

int SendWithin(Socket s, const void* data, int len, int timeoutMs) {
  if (!Valid(s) || len < 0 || (len > 0 && data == nullptr)) return -1;
  const std::uint64_t deadline =
      MonotonicMs() + static_cast<std::uint64_t>(timeoutMs < 0 ? 0 : timeoutMs);
  const char* p = static_cast<const char*>(data);
  int left = len;
  while (left > 0) {
    const ssize_t n = send(Fd(s), p, static_cast<size_t>(left), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      p += n;
      left -= static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    // The peer's window and our buffer are full: wait for room, but only until the deadline.
    const std::uint64_t now = MonotonicMs();
    if (now >= deadline) return -1;
    pollfd w{Fd(s), POLLOUT, 0};
    const int r = poll(&w, 1, static_cast<int>(deadline - now));
    // No room all that time: the peer is not reading (room that turns up only as the wait ends
    // is the kernel squeezing its receive queue, not the peer taking data).
    if (r == 0) return -1;
    if (r < 0 && errno != EINTR) return -1;
    if (r > 0 && (w.revents & POLLNVAL)) return -1;
  }
  return len;
}

int Recv(Socket s, void* buf, int len) {
  if (!Valid(s) || len < 0 || (len > 0 && buf == nullptr)) return -1;
  ssize_t n;
  do {
    n = recv(Fd(s), buf, static_cast<size_t>(len), 0);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

int SendTo(Socket s, const void* data, int len, std::uint32_t ip, std::uint16_t port) {
  if (!Valid(s) || len < 0 || (len > 0 && data == nullptr)) return -1;
  sockaddr_in a = MakeAddress(ip, port);
  ssize_t n;
  do {
    n = sendto(Fd(s), data, static_cast<size_t>(len), MSG_NOSIGNAL,
               reinterpret_cast<const sockaddr*>(&a), sizeof a);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

int RecvFrom(Socket s, void* buf, int len, std::uint32_t* ip, std::uint16_t* port) {
  if (!Valid(s) || len < 0 || (len > 0 && buf == nullptr)) return -1;
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  socklen_t alen = sizeof a;
  ssize_t n;
  do {
    alen = sizeof a;
    n = recvfrom(Fd(s), buf, static_cast<size_t>(len), 0, reinterpret_cast<sockaddr*>(&a), &alen);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return -1;
  if (ip) *ip = ntohl(a.sin_addr.s_addr);
  if (port) *port = ntohs(a.sin_port);
  return static_cast<int>(n);
}

bool SetSendBuffer(Socket s, int bytes) {
  return Valid(s) && setsockopt(Fd(s), SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) == 0;
}

bool SetNoDelay(Socket s) {
  int on = 1;
  return Valid(s) && setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0;
}

void ShutdownBoth(Socket s) {
  if (Valid(s)) shutdown(Fd(s), SHUT_RDWR);
}

void Close(Socket s) {
  // Never retried on EINTR: on Linux the descriptor is gone either way, and a retry could close a
  // descriptor another thread has just been given.
  if (Valid(s)) close(Fd(s));
}

}  // namespace plat
