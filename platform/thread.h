// Worker threads and the millisecond clock.
//
// A WorkerThread runs one function on its own thread at the highest (time-critical) priority the
// system grants, with a plain stop flag that the function polls. Stop sets the flag and waits a
// bounded time: on time-out it returns false and keeps the thread, so a later Stop can wait again.
// A thread that is still running when its WorkerThread is destroyed is left to finish on its own.
//
// Clock is the program's only source of time: tick counts in milliseconds as an unsigned 32-bit
// value that wraps (compare with unsigned differences), sleeping, and waiting on a socket with a
// time bound. SystemClock is the real one; tests drive a ManualClock instead, so that timing rules
// are tested without waiting.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/net.h"

namespace plat {

// Milliseconds since an arbitrary start, wrapping at 2^32.
std::uint32_t TickCount();
void SleepMs(std::uint32_t ms);

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t Now() = 0;
  virtual void Sleep(std::uint32_t ms) = 0;
  // Waits until the socket is readable, for at most ms of this clock's time: 1 readable, 0 not,
  // -1 error. This default sleeps the whole bound and then looks, so a clock that moves only by
  // its Sleep keeps every time rule of a loop built on it; the system clock wakes on arrival.
  virtual int WaitReadable(Socket s, std::uint32_t ms) {
    Sleep(ms);
    return PollReadable(s, 0);
  }
};

class SystemClock final : public Clock {
 public:
  std::uint32_t Now() override { return TickCount(); }
  void Sleep(std::uint32_t ms) override { SleepMs(ms); }
  int WaitReadable(Socket s, std::uint32_t ms) override {
    return PollReadable(s, static_cast<int>(ms));
  }
};

// A clock that only moves when told to; Sleep advances it instead of waiting.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(std::uint32_t start = 0) : now_(start) {}
  std::uint32_t Now() override { return now_.load(); }
  void Sleep(std::uint32_t ms) override { now_ += ms; }
  void Advance(std::uint32_t ms) { now_ += ms; }
  void Set(std::uint32_t t) { now_ = t; }

 private:
  std::atomic<std::uint32_t> now_;
};

class WorkerThread {
 public:
  using Body = void (*)(void* arg);

  WorkerThread();
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Clears the stop flag and starts body(arg). False when a thread is still held or none could be
  // created.
  bool Start(Body body, void* arg);
  // True while a thread is held (started and not yet successfully stopped or released).
  bool Running() const;
  // The flag the body polls.
  bool StopRequested() const { return stop_.load(std::memory_order_relaxed); }
  void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
  // True at once without a thread. Otherwise sets the stop flag and waits up to waitMs for the
  // body to return: true and the thread released, or false and the thread kept.
  bool Stop(std::uint32_t waitMs);
  // Releases a held thread whose body has already returned (a zero wait, the stop flag untouched);
  // true when released, false while it runs or when no thread is held.
  bool ReleaseIfFinished();

 private:
  struct State;
  std::shared_ptr<State> state_;
  std::atomic<bool> stop_{false};
};

}  // namespace plat
