// Windows threads. The thread is created suspended so that it never runs a moment below its
// time-critical priority; a thread still running when its WorkerThread goes away keeps running,
// only our handle to it is closed.
// winsock2.h before windows.h, which would otherwise bring in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include "platform/thread.h"

namespace plat {

std::uint32_t TickCount() { return GetTickCount(); }

void SleepMs(std::uint32_t ms) { Sleep(ms); }

struct WorkerThread::State {
  HANDLE thread = nullptr;
};

namespace {

struct Launch {
  WorkerThread::Body body;
  void* arg;
};

DWORD WINAPI ThreadMain(LPVOID p) {
  const Launch launch = *static_cast<Launch*>(p);
  delete static_cast<Launch*>(p);
  launch.body(launch.arg);
  return 0;
}

}  // namespace

WorkerThread::WorkerThread() = default;

WorkerThread::~WorkerThread() {
  if (state_) CloseHandle(state_->thread);
}

bool WorkerThread::Start(Body body, void* arg) {
  if (state_ || body == nullptr) return false;
  stop_.store(false, std::memory_order_relaxed);
  auto* launch = new Launch{body, arg};
  HANDLE h = CreateThread(nullptr, 0, ThreadMain, launch, CREATE_SUSPENDED, nullptr);
  if (h == nullptr) {
    delete launch;
    return false;
  }
  SetThreadPriority(h, THREAD_PRIORITY_TIME_CRITICAL);
  ResumeThread(h);
  state_ = std::make_shared<State>();
  state_->thread = h;
  return true;
}

bool WorkerThread::Running() const { return state_ != nullptr; }

bool WorkerThread::Stop(std::uint32_t waitMs) {
  if (!state_) return true;
  RequestStop();
  if (WaitForSingleObject(state_->thread, waitMs) != WAIT_OBJECT_0) return false;
  CloseHandle(state_->thread);
  state_.reset();
  return true;
}

bool WorkerThread::ReleaseIfFinished() {
  if (!state_ || WaitForSingleObject(state_->thread, 0) != WAIT_OBJECT_0) return false;
  CloseHandle(state_->thread);
  state_.reset();
  return true;
}

}  // namespace plat
