// POSIX threads. The thread and its WorkerThread share a State through a shared_ptr, so a thread
// that outlives its WorkerThread (a Stop that timed out, then destruction) still signals into
// memory that exists; it is detached then and cleans up after itself.
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/thread.h"

namespace plat {

std::uint32_t TickCount() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

void SleepMs(std::uint32_t ms) {
  timespec req;
  req.tv_sec = static_cast<time_t>(ms / 1000u);
  req.tv_nsec = static_cast<long>(ms % 1000u) * 1000000L;
  timespec rem;
  while (nanosleep(&req, &rem) != 0 && errno == EINTR) req = rem;
}

namespace {

// What the thread itself touches; WorkerThread::State adds nothing but names it for the class.
struct SharedState {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  pthread_t thread{};
  WorkerThread::Body body = nullptr;
  void* arg = nullptr;
};

// Windows' time-critical priority stays inside the normal scheduling class, so the nearest match
// here is the best nice value the system grants, not a real-time policy that could starve the
// machine. Without the right to raise it the thread simply runs at normal priority.
void RaisePriority() {
#ifdef __linux__
  const id_t tid = static_cast<id_t>(syscall(SYS_gettid));
  for (int nice = -20; nice < 0; nice += 5) {
    if (setpriority(PRIO_PROCESS, tid, nice) == 0) return;
  }
#endif
}

// The thread keeps its own reference to the state until it has signalled completion.
void* ThreadMain(void* p) {
  auto* holder = static_cast<std::shared_ptr<SharedState>*>(p);
  std::shared_ptr<SharedState> state = std::move(*holder);
  delete holder;
  RaisePriority();
  state->body(state->arg);
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->finished = true;
  }
  state->done.notify_all();
  return nullptr;
}

}  // namespace

struct WorkerThread::State : SharedState {};

WorkerThread::WorkerThread() = default;

WorkerThread::~WorkerThread() {
  if (!state_) return;
  bool finished;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    finished = state_->finished;
  }
  // A finished thread is joined so nothing is left behind; a running one is left to finish on
  // its own and frees its resources when it ends.
  if (finished) {
    pthread_join(state_->thread, nullptr);
  } else {
    pthread_detach(state_->thread);
  }
  state_.reset();
}

bool WorkerThread::Start(Body body, void* arg) {
  if (state_ || body == nullptr) return false;
  stop_.store(false, std::memory_order_relaxed);
  auto state = std::make_shared<State>();
  state->body = body;
  state->arg = arg;
  auto* holder = new std::shared_ptr<SharedState>(state);
  pthread_t thread;
  if (pthread_create(&thread, nullptr, ThreadMain, holder) != 0) {
    delete holder;
    return false;
  }
  state->thread = thread;
  state_ = std::move(state);
  return true;
}

bool WorkerThread::Running() const { return state_ != nullptr; }

bool WorkerThread::Stop(std::uint32_t waitMs) {
  if (!state_) return true;
  RequestStop();
  bool finished;
  {
    std::unique_lock<std::mutex> lock(state_->mutex);
    finished = state_->done.wait_for(lock, std::chrono::milliseconds(waitMs),
                                     [this] { return state_->finished; });
  }
  if (!finished) return false;
  pthread_join(state_->thread, nullptr);
  state_.reset();
  return true;
}

bool WorkerThread::ReleaseIfFinished() {
  if (!state_) return false;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->finished) return false;
  }
  pthread_join(state_->thread, nullptr);
  state_.reset();
  return true;
}

}  // namespace plat
