// The receive loop wakes on data: a completed position set is answered while the clock stands
// still, so the answer cannot come from a timed pass of the loop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "director/insim/session.h"
#include "fake_simulator.h"
#include "insim_test_support.h"
#include "link/message_queue.h"
#include "platform/net.h"

namespace director {
namespace {

using test::B;
using test::Bytes;
using test::Capture;
using test::Padded;
using test::RecordingHandlers;
using test::TcpSim;
using test::UdpSim;

// Runs like a fast clock until frozen. Frozen, its time stands still: Sleep blocks until Thaw,
// and a socket wait has no bound of its own: only data (or Thaw) ends it. Parked() tells when
// the session has reached one of those waits.
class GateClock final : public plat::Clock {
 public:
  std::uint32_t Now() override { return now_.load(); }
  void Sleep(std::uint32_t ms) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (frozen_) {
      Park();
      changed_.wait(lock, [this] { return !frozen_; });
    }
    lock.unlock();
    now_ += ms;
    plat::SleepMs(1);
  }
  int WaitReadable(plat::Socket s, std::uint32_t ms) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (frozen_) Park();
    }
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!frozen_) break;
      }
      const int r = plat::PollReadable(s, 20);
      if (r != 0) return r;
    }
    // Not frozen: a fast clock's wait. The default one goes through Sleep, where a Freeze that
    // came in between would park the session blind to the socket until Thaw.
    now_ += ms;
    plat::SleepMs(1);
    return plat::PollReadable(s, 0);
  }
  void Freeze() {
    std::lock_guard<std::mutex> lock(mutex_);
    frozen_ = true;
    parked_ = false;
  }
  void Thaw() {
    std::lock_guard<std::mutex> lock(mutex_);
    frozen_ = false;
    changed_.notify_all();
  }
  // True once the session waits on the frozen clock, false when it does not within 5 s.
  bool WaitParked() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(test::kWaitMs),
                             [this] { return parked_; });
  }

 private:
  void Park() {
    parked_ = true;
    changed_.notify_all();
  }
  std::atomic<std::uint32_t> now_{1000};
  std::mutex mutex_;
  std::condition_variable changed_;
  bool frozen_ = false;
  bool parked_ = false;
};

struct WakeFixture {
  explicit WakeFixture(std::uint8_t version) {
    settings.insimVersion = version;
    handlers.completesSet = true;
    handlers.active = true;
    handlers.cameras = 1;
    handlers.stateFlags = ISS_SHIFTU_NO_OPT;
    handlers.cycleResult.fov = 30.0f;
    handlers.cycleResult.x = 0x123456;
  }
  // The camera packet of the fixture's cycle in the given version.
  Bytes CameraPacket(std::uint8_t version) {
    Capture capture;
    std::uint32_t lastSend = 0;
    InsimLink link;
    link.version = version;
    link.sink = &capture;
    link.clock = &clock;
    link.lastSendTick = &lastSend;
    CameraPositionRecord rec = handlers.cycleResult;
    SendCameraPosition(link, rec);
    return capture.Packets().at(0);
  }
  Settings settings;
  GateClock clock;
  glink::MessageQueue toGui;
  RecordingHandlers handlers;
  InsimThread thread{settings, clock, toGui, handlers};
};

TEST(InsimSessionWake, Version4AnswersASetOnArrivalWhileTheClockStands) {
  TcpSim sim;
  WakeFixture f(4);
  f.settings.insimPort = sim.Port();
  ASSERT_TRUE(f.thread.StartInsimThread());
  test::V4Handshake(sim);

  f.clock.Freeze();
  ASSERT_TRUE(f.clock.WaitParked());
  const std::uint32_t frozenAt = f.clock.Now();
  sim.Send(B({8, ISP_MCI, 0, 0, 1, 2, 3, 4}));
  EXPECT_EQ(sim.ReadPacket(), f.CameraPacket(4));
  EXPECT_EQ(f.clock.Now(), frozenAt);
  // A second set wakes it again: the loop went back to its wait.
  sim.Send(B({8, ISP_MCI, 0, 0, 5, 6, 7, 8}));
  EXPECT_EQ(sim.ReadPacket(), f.CameraPacket(4));
  EXPECT_EQ(f.clock.Now(), frozenAt);

  f.clock.Thaw();
  ASSERT_TRUE(f.thread.StopInsimThread());
  EXPECT_EQ(sim.ReadPacket(), B({4, 3, 0, 2}));
  EXPECT_EQ(f.handlers.CallsNamed("DirectorCycle").size(), 2u);
}

TEST(InsimSessionWake, Version3AnswersASetOnArrivalWhileTheClockStands) {
  UdpSim sim;
  WakeFixture f(3);
  f.settings.insimPort = sim.Port();
  ASSERT_TRUE(f.thread.StartInsimThread());
  test::V3Handshake(sim);

  f.clock.Freeze();
  ASSERT_TRUE(f.clock.WaitParked());
  const std::uint32_t frozenAt = f.clock.Now();
  sim.Send(Padded("MCI", 204));
  EXPECT_EQ(sim.Read(), f.CameraPacket(3));
  EXPECT_EQ(f.clock.Now(), frozenAt);

  f.clock.Thaw();
  ASSERT_TRUE(f.thread.StopInsimThread());
  EXPECT_EQ(sim.Read(), test::Cat({Padded("ISC", 4), B({0, 0, 0, 0})}));
  EXPECT_EQ(f.handlers.CallsNamed("DirectorCycle").size(), 1u);
}

}  // namespace
}  // namespace director
