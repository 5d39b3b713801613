// An HTTP server that a bad or greedy client cannot wear down: cpp-httplib's request handling
// over a fixed set of connection threads and a guarded socket stream.
//
// - At most `threads` connections are served at once, each on one of that many threads made at
//   start. A connection that arrives while all are busy is refused at once ("503", then closed)
//   on the accepting thread, so a thousand connections cost a thousand short refusals, not a
//   thousand threads or a queue of open sockets.
// - A request must arrive whole within kRequestDeadlineMs and kMaxRequestBytes, however slowly
//   the bytes trickle in; otherwise the connection is dropped without an answer.
// - One request per connection (no keep-alive), so a connection's reading ends where its answer
//   begins.
// - A write that a peer does not take within kWriteDeadlineMs ends the connection.
// - The port is this server's alone: the library's own choice (SO_REUSEPORT on Linux) would let a
//   second program listen on the same port and take half the viewers.
// - The queue of connections not yet accepted is as long as the system allows (the library asks
//   for 5), so a burst of connections is refused quickly rather than left waiting for a retry.
// Stopping wakes every reader within kPollSliceMs.
#pragma once

#include <atomic>
#include <cstddef>
#include <httplib.h>

#include "web/web_server.h"

namespace director {

inline constexpr int kRequestDeadlineMs = kWebRequestDeadlineMs;
inline constexpr std::size_t kMaxRequestBytes = 16 * 1024;
inline constexpr int kWriteDeadlineMs = 2000;
inline constexpr int kPollSliceMs = 100;
inline constexpr char kRefusalAnswer[] =
    "HTTP/1.1 503 Service Unavailable\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";

class GuardedServer : public httplib::Server {
 public:
  explicit GuardedServer(int threads);
  // After bind_to_port or bind_to_any_port: the long queue of pending connections.
  void WidenBacklog();
  // Marks the server as stopping (readers give up) and stops accepting.
  void StopServing();
  // Connections refused since the start, for tests and the log.
  std::size_t Refused() const { return refused_.load(); }

 private:
  bool process_and_close_socket(socket_t sock) override;

  std::atomic<bool> stopping_{false};
  std::atomic<std::size_t> refused_{0};
};

}  // namespace director
