// The web view's server: read-only HTTP on its own threads over the snapshots the InSim thread
// publishes in a SnapshotBox.
//
//   GET /, /overlay        the page (full layout, or the overlay for a video mixer)
//   GET /<page file>       the page's scripts and style, compiled into the program
//   GET /state             the latest snapshot as JSON
//   GET /track             the track map as JSON (404 before a track is loaded)
//   GET /events            Server-Sent Events: "state" with every new snapshot, the latest
//                          only, and a comment every few seconds
// Nothing else is answered but with 404, and nothing is read from disk. At most kWebViewers
// event streams run at once; past that a viewer gets "503". The address is dotted IPv4
// (127.0.0.1 unless the user chose otherwise).
//
// A program built without the HTTP library still has this class: Start then fails with
// kWebUnavailableText.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "web/snapshot_box.h"

namespace director {

inline constexpr int kWebViewers = 32;
// A request must arrive whole within this time, however slowly its bytes trickle in.
inline constexpr int kWebRequestDeadlineMs = 5000;
// Connections served at once: the viewers' streams and a few more for the page, /state and
// /track.
inline constexpr int kWebThreads = kWebViewers + 8;
inline constexpr char kWebDefaultBind[] = "127.0.0.1";
inline constexpr char kWebUnavailableText[] = "this build of Morvane has no web view";

class WebServer {
 public:
  explicit WebServer(SnapshotBox& box);
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Listens on bind:port (port 0: any free port, for tests) and serves until Stop. False with a
  // message for the user when the address is not dotted IPv4, the port cannot be had, or the
  // build has no web view.
  bool Start(const std::string& bind, std::uint16_t port, std::string* error);
  // Ends every stream and joins the server's threads. Safe to call when not running.
  void Stop();
  bool Running() const;
  std::uint16_t Port() const;  // the port listened on, 0 when not running

  static bool Available();

 private:
  struct Impl;
  SnapshotBox& box_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace director
