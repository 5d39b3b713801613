#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace plat {
namespace {

// What a test body shares with its test. Held by shared_ptr where the body may outlive the test's
// WorkerThread.
struct Probe {
  WorkerThread* worker = nullptr;
  std::atomic<bool> started{false};
  std::atomic<bool> sawStop{false};
  std::atomic<bool> gate{false};  // the body may return once this is set
  std::atomic<bool> done{false};
};

bool WaitFor(const std::atomic<bool>& flag, std::uint32_t ms = 5000) {
  const std::uint32_t start = TickCount();
  while (!flag.load()) {
    if (TickCount() - start > ms) return false;
    SleepMs(1);
  }
  return true;
}

// Polls the stop flag like the program's workers do.
void PollingBody(void* arg) {
  auto* p = static_cast<Probe*>(arg);
  p->started = true;
  while (!p->worker->StopRequested()) SleepMs(1);
  p->sawStop = true;
}

// Ignores the stop flag until the test opens the gate.
void StubbornBody(void* arg) {
  auto* p = static_cast<Probe*>(arg);
  p->started = true;
  while (!p->gate.load()) SleepMs(1);
  p->done = true;
}

TEST(WorkerThread, StopSetsTheFlagAndReleasesTheThread) {
  WorkerThread w;
  Probe p;
  p.worker = &w;
  EXPECT_FALSE(w.Running());
  EXPECT_TRUE(w.Stop(0)) << "no thread: nothing to wait for";

  ASSERT_TRUE(w.Start(PollingBody, &p));
  EXPECT_TRUE(w.Running());
  ASSERT_TRUE(WaitFor(p.started));
  EXPECT_FALSE(w.StopRequested());
  EXPECT_FALSE(w.Start(PollingBody, &p)) << "a thread is still held";

  EXPECT_TRUE(w.Stop(3000));
  EXPECT_TRUE(p.sawStop);
  EXPECT_FALSE(w.Running());

  // Starting again clears the flag and runs the body anew.
  p.started = false;
  p.sawStop = false;
  ASSERT_TRUE(w.Start(PollingBody, &p));
  ASSERT_TRUE(WaitFor(p.started));
  EXPECT_FALSE(p.sawStop);
  EXPECT_TRUE(w.Stop(3000));
}

TEST(WorkerThread, StopThatTimesOutKeepsTheThreadForALaterStop) {
  WorkerThread w;
  Probe p;
  EXPECT_FALSE(w.ReleaseIfFinished()) << "nothing held";
  ASSERT_TRUE(w.Start(StubbornBody, &p));
  ASSERT_TRUE(WaitFor(p.started));
  EXPECT_FALSE(w.ReleaseIfFinished());
  EXPECT_FALSE(w.StopRequested()) << "a look must not ask the thread to stop";

  const std::uint32_t start = TickCount();
  EXPECT_FALSE(w.Stop(100));
  EXPECT_GE(TickCount() - start, 80u) << "the wait must last its time";
  EXPECT_TRUE(w.Running());
  EXPECT_TRUE(w.StopRequested());
  EXPECT_FALSE(w.Start(StubbornBody, &p)) << "the kept thread blocks a new start";
  EXPECT_FALSE(w.ReleaseIfFinished());

  p.gate = true;
  EXPECT_TRUE(w.Stop(3000));
  EXPECT_TRUE(p.done);
  EXPECT_FALSE(w.Running());
}

// A body that returned is released without a Stop; a worker destroyed while its body still runs,
// or after it returned, leaves nothing behind that the thread could touch.
TEST(WorkerThread, FinishedThreadsAreReleasedAndRunningOnesOutliveTheirWorker) {
  auto running = std::make_shared<Probe>();
  Probe finished, unreleased;
  finished.gate = unreleased.gate = true;
  {
    WorkerThread w, done, kept;
    ASSERT_TRUE(w.Start(StubbornBody, running.get()));
    ASSERT_TRUE(done.Start(StubbornBody, &finished));
    ASSERT_TRUE(kept.Start(StubbornBody, &unreleased));
    ASSERT_TRUE(WaitFor(running->started));
    ASSERT_TRUE(WaitFor(finished.done));
    // The body has returned; the thread needs a moment more to signal its end.
    for (int i = 0; i < 5000 && !done.ReleaseIfFinished(); ++i) SleepMs(1);
    EXPECT_FALSE(done.Running());
    EXPECT_FALSE(w.Stop(10));
    ASSERT_TRUE(WaitFor(unreleased.done));
    SleepMs(20);
  }
  running->gate = true;
  ASSERT_TRUE(WaitFor(running->done));
  SleepMs(50);  // let the thread finish signalling into its orphaned state
}

TEST(Clock, TickCountFollowsSleepAndManualClockWrapsLikeIt) {
  const std::uint32_t start = TickCount();
  SleepMs(60);
  const std::uint32_t waited = TickCount() - start;
  EXPECT_GE(waited, 45u);
  EXPECT_LT(waited, 5000u);

  ManualClock c(0xFFFFFFF0u);
  c.Sleep(0x20);
  EXPECT_EQ(c.Now(), 0x10u);
  c.Set(5);
  c.Advance(7);
  EXPECT_EQ(c.Now(), 12u);
}

}  // namespace
}  // namespace plat
