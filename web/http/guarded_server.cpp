#include "web/http/guarded_server.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/net.h"

namespace director {

namespace {

using Steady = std::chrono::steady_clock;

// Set on the accepting thread while it refuses a connection itself.
thread_local bool tRefusing = false;

// A fixed set of threads; a task that finds none of them free runs at once on the caller's
// thread in refusing mode instead of waiting in a queue.
class FixedThreads final : public httplib::TaskQueue {
 public:
  // Returns once every thread waits for work: a seat counts only then, and a burst of
  // connections right after the start must find them all.
  explicit FixedThreads(int count) {
    for (int i = 0; i < count; ++i) threads_.emplace_back([this] { Work(); });
    std::unique_lock<std::mutex> hold(lock_);
    ready_.wait(hold, [this, count] { return idle_ == static_cast<std::size_t>(count); });
  }
  void enqueue(std::function<void()> task) override {
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (tasks_.size() < idle_) {
        tasks_.push_back(std::move(task));
        wake_.notify_one();
        return;
      }
    }
    tRefusing = true;
    task();
    tRefusing = false;
  }
  void shutdown() override {
    {
      std::lock_guard<std::mutex> hold(lock_);
      ending_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

 private:
  void Work() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
      ++idle_;
      ready_.notify_one();
      wake_.wait(hold, [this] { return ending_ || !tasks_.empty(); });
      --idle_;
      if (tasks_.empty()) return;
      std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      hold.unlock();
      task();
      hold.lock();
    }
  }

  std::mutex lock_;
  std::condition_variable wake_;
  std::condition_variable ready_;  // a thread has come to wait for work
  std::deque<std::function<void()>> tasks_;
  std::size_t idle_ = 0;
  bool ending_ = false;
  std::vector<std::thread> threads_;
};

// The stream of one connection: reading bounded in time and bytes, writing bounded in time.
class GuardedStream final : public httplib::Stream {
 public:
  GuardedStream(socket_t sock, const std::atomic<bool>& stopping)
      : sock_(sock),
        stopping_(stopping),
        deadline_(Steady::now() + std::chrono::milliseconds(kRequestDeadlineMs)) {}

  bool is_readable() const override { return true; }
  // Once the answer has begun nothing more is read, so anything readable then is the peer
  // closing (or sending what a one-request connection does not take): the viewer is gone.
  bool is_writable() const override {
    if (failed_ || stopping_.load()) return false;
    return !(answering_ && plat::PollReadable(Sock(), 0) != 0);
  }

  ssize_t read(char* ptr, size_t size) override {
    if (answering_ || stopping_.load()) return -1;
    if (read_ >= kMaxRequestBytes) return -1;
    if (size > kMaxRequestBytes - read_) size = kMaxRequestBytes - read_;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Steady::now());
      if (left.count() <= 0 || stopping_.load()) return -1;
      const int wait = left.count() < kPollSliceMs ? static_cast<int>(left.count()) : kPollSliceMs;
      const int ready = plat::PollReadable(Sock(), wait);
      if (ready < 0) return -1;
      if (ready == 0) continue;
      const int n = plat::Recv(Sock(), ptr, static_cast<int>(size));
      if (n <= 0) return -1;
      read_ += static_cast<std::size_t>(n);
      return n;
    }
  }

  ssize_t write(const char* ptr, size_t size) override {
    answering_ = true;
    if (!is_writable()) return -1;
    const int n = plat::SendWithin(Sock(), ptr, static_cast<int>(size), kWriteDeadlineMs);
    if (n < 0) failed_ = true;
    return n;
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip.clear();
    port = 0;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    ip.clear();
    port = 0;
  }
  socket_t socket() const override { return sock_; }

 private:
  plat::Socket Sock() const { return static_cast<plat::Socket>(sock_); }

  socket_t sock_;
  const std::atomic<bool>& stopping_;
  Steady::time_point deadline_;
  std::size_t read_ = 0;
  bool answering_ = false;
  bool failed_ = false;
};

void ExclusivePort(socket_t sock) {
  int yes = 1;
#ifdef _WIN32
  setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
#else
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
}

}  // namespace

GuardedServer::GuardedServer(int threads) {
  new_task_queue = [threads] { return new FixedThreads(threads); };
  set_keep_alive_max_count(1);
  set_socket_options(ExclusivePort);
}

void GuardedServer::WidenBacklog() { ::listen(svr_sock_, SOMAXCONN); }

void GuardedServer::StopServing() {
  stopping_.store(true);
  stop();
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
  const plat::Socket s = static_cast<plat::Socket>(sock);
  if (tRefusing) {
    refused_.fetch_add(1);
    plat::SendWithin(s, kRefusalAnswer, static_cast<int>(sizeof kRefusalAnswer - 1), 0);
    plat::ShutdownBoth(s);
    plat::Close(s);
    return false;
  }
  plat::SetNoDelay(s);
  bool ok = false;
  {
    GuardedStream stream(sock, stopping_);
    bool closed = false;
    ok = process_request(stream, true, closed, nullptr);
  }
  plat::ShutdownBoth(s);
  plat::Close(s);
  return ok;
}

}  // namespace director
