// The web view's server over cpp-httplib (see web_server.h for the routes).
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/net.h"
#include "web/http/guarded_server.h"
#include "web/http/page_files.h"
#include "web/http/web_json.h"
#include "web/web_server.h"

namespace director {

namespace {

using Steady = std::chrono::steady_clock;
constexpr int kPingIntervalMs = 5000;
constexpr int kViewerCheckMs = 500;
constexpr int kListenWaitMs = 2000;
constexpr auto kMinEventSpacing = std::chrono::milliseconds(50);
constexpr char kPing[] = ": ping\n\n";
constexpr char kEventRetry[] = "retry: 1000\n\n";

// The latest snapshot as JSON, made once per snapshot whoever asks first.
class StateFeed {
 public:
  explicit StateFeed(SnapshotBox& box) : box_(box), scratch_(std::make_unique<WebSnapshot>()) {}

  std::shared_ptr<const std::string> Current(std::uint64_t* seq) {
    std::lock_guard<std::mutex> hold(lock_);
    if (json_ == nullptr || box_.LatestSeq() != seq_) {
      seq_ = box_.Latest(scratch_.get());
      json_ = std::make_shared<const std::string>(StateJson(*scratch_));
    }
    *seq = seq_;
    return json_;
  }

  std::shared_ptr<const std::string> Track(std::uint32_t* version) {
    std::lock_guard<std::mutex> hold(lock_);
    const std::shared_ptr<const WebTrack> track = box_.Track();
    if (track == nullptr) return nullptr;
    if (trackJson_ == nullptr || track->version != trackVersion_) {
      trackVersion_ = track->version;
      trackJson_ = std::make_shared<const std::string>(TrackJson(*track));
    }
    *version = trackVersion_;
    return trackJson_;
  }

 private:
  SnapshotBox& box_;
  std::mutex lock_;
  std::unique_ptr<WebSnapshot> scratch_;
  std::uint64_t seq_ = 0;
  std::shared_ptr<const std::string> json_;
  std::uint32_t trackVersion_ = 0;
  std::shared_ptr<const std::string> trackJson_;
};

// Counts a viewer's stream for as long as its provider lives.
struct ViewerSeat {
  explicit ViewerSeat(std::atomic<int>& count) : count_(count) { count_.fetch_add(1); }
  ~ViewerSeat() { count_.fetch_sub(1); }
  ViewerSeat(const ViewerSeat&) = delete;
  ViewerSeat& operator=(const ViewerSeat&) = delete;
  std::atomic<int>& count_;
};

// One viewer's stream: what it has seen, and when it was last sent something.
struct ViewerStream {
  explicit ViewerStream(std::atomic<int>& count) : seat(count) {}
  ViewerSeat seat;
  std::uint64_t seen = 0;
  Steady::time_point sent;
  bool started = false;
};

void NoStore(httplib::Response& res) {
  res.set_header("Cache-Control", "no-store");
  res.set_header("X-Content-Type-Options", "nosniff");
}

}  // namespace

struct WebServer::Impl {
  explicit Impl(SnapshotBox& snapshots)
      : box(snapshots), feed(snapshots), server(kWebThreads) {}

  void Routes();
  void ServeEvents(httplib::Response& res);
  bool StreamNext(ViewerStream& viewer, httplib::DataSink& sink);

  SnapshotBox& box;
  StateFeed feed;
  GuardedServer server;
  std::atomic<int> viewers{0};
  std::thread thread;
  std::uint16_t port = 0;
};

void WebServer::Impl::Routes() {
  const auto page = [](const char* name) {
    return [name](const httplib::Request&, httplib::Response& res) {
      const PageFile* file = FindPageFile(name);
      NoStore(res);
      res.set_content(reinterpret_cast<const char*>(file->data), file->size, file->type);
    };
  };
  server.Get("/", page("/index.html"));
  server.Get("/overlay", page("/index.html"));
  server.Get("/state", [this](const httplib::Request&, httplib::Response& res) {
    std::uint64_t seq = 0;
    const auto json = feed.Current(&seq);
    NoStore(res);
    res.set_header("Access-Control-Allow-Origin", "*");
    res.set_content(*json, "application/json");
  });
  server.Get("/track", [this](const httplib::Request&, httplib::Response& res) {
    std::uint32_t version = 0;
    const auto json = feed.Track(&version);
    NoStore(res);
    res.set_header("Access-Control-Allow-Origin", "*");
    if (json == nullptr) {
      res.status = 404;
      res.set_content("{\"error\":\"no track loaded\"}", "application/json");
      return;
    }
    res.set_content(*json, "application/json");
  });
  server.Get("/events", [this](const httplib::Request&, httplib::Response& res) { ServeEvents(res); });
  // Any other path is one of the page's files or nothing: looked up by its exact name.
  server.Get(R"(/[A-Za-z0-9_.-]+)", [](const httplib::Request& req, httplib::Response& res) {
    const PageFile* file = FindPageFile(req.path);
    if (file == nullptr || req.path == "/index.html") {
      res.status = 404;
      return;
    }
    NoStore(res);
    res.set_content(reinterpret_cast<const char*>(file->data), file->size, file->type);
  });
}

bool WebServer::Impl::StreamNext(ViewerStream& viewer, httplib::DataSink& sink) {
  if (!viewer.started) {
    viewer.started = true;
    if (!sink.write(kEventRetry, sizeof kEventRetry - 1)) return false;
  } else {
    // Waits for news, noticing within kViewerCheckMs a viewer that left or a server that stops.
    int waited = 0;
    while (!box.WaitNewer(viewer.seen, kViewerCheckMs)) {
      if (box.Closed()) {
        sink.done();
        return true;
      }
      if (!sink.is_writable()) return false;
      waited += kViewerCheckMs;
      if (waited >= kPingIntervalMs) return sink.write(kPing, sizeof kPing - 1);
    }
  }
  // A replay at high speed publishes faster than anyone can watch: the viewer gets the latest
  // state at most every kMinEventSpacing.
  const auto due = viewer.sent + kMinEventSpacing;
  if (Steady::now() < due) std::this_thread::sleep_until(due);
  viewer.sent = Steady::now();
  const auto json = feed.Current(&viewer.seen);
  const std::string event = "event: state\ndata: " + *json + "\n\n";
  return sink.write(event.data(), event.size());
}

void WebServer::Impl::ServeEvents(httplib::Response& res) {
  NoStore(res);
  res.set_header("Access-Control-Allow-Origin", "*");
  if (viewers.load() >= kWebViewers) {
    res.status = 503;
    res.set_content("too many viewers\n", "text/plain");
    return;
  }
  auto viewer = std::make_shared<ViewerStream>(viewers);
  res.set_chunked_content_provider("text/event-stream",
                                   [this, viewer](std::size_t, httplib::DataSink& sink) {
                                     return StreamNext(*viewer, sink);
                                   });
}

WebServer::WebServer(SnapshotBox& box) : box_(box) {}
WebServer::~WebServer() { Stop(); }

bool WebServer::Start(const std::string& bind, std::uint16_t port, std::string* error) {
  if (Running()) return true;
  std::uint32_t ip = 0;
  if (!plat::ParseIPv4(bind.c_str(), &ip)) {
    *error = "the web view's address must be dotted IPv4, such as 127.0.0.1: " + bind;
    return false;
  }
  box_.Reopen();
  impl_ = std::make_unique<Impl>(box_);
  impl_->Routes();
  const bool bound = port == 0 ? (impl_->port = static_cast<std::uint16_t>(
                                      impl_->server.bind_to_any_port(bind))) != 0
                               : impl_->server.bind_to_port(bind, port);
  if (!bound) {
    *error = "the web view could not listen on " + bind + ":" + std::to_string(port);
    impl_.reset();
    return false;
  }
  if (port != 0) impl_->port = port;
  impl_->server.WidenBacklog();
  impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
  // Stop must find the server listening, or it could not end the loop that is about to begin.
  // (A loop that began and already ended needs no stopping: the wait is bounded for that.)
  for (int waited = 0; !impl_->server.is_running() && waited < kListenWaitMs; ++waited)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void WebServer::Stop() {
  if (impl_ == nullptr) return;
  box_.Close();
  impl_->server.StopServing();
  if (impl_->thread.joinable()) impl_->thread.join();
  impl_.reset();
}

bool WebServer::Running() const { return impl_ != nullptr; }
std::uint16_t WebServer::Port() const { return impl_ != nullptr ? impl_->port : 0; }
bool WebServer::Available() { return true; }

}  // namespace director
