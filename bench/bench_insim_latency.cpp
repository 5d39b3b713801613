// How soon the InSim thread answers a complete set of car positions, and what it costs while idle.
//
// The InSim thread runs with the system clock against a simulator played by this program over
// loopback TCP (InSim version 4). Each measured set is 40 cars in five IS_MCI packets: the first
// four go out, then the time runs from sending the last one until its IS_CPP has arrived. A
// random pause of 0-15 ms before each set stands for the simulator's own rhythm, so the sets meet
// the receive loop at every point of its pass. The director's decision is replaced by a fixed
// camera record (its cost is measured in bench_director): what is measured here is the way
// through the socket, the loop and back. Latencies are reported as p50_us / p99_us / max_us;
// overlay:1 lets a button go out just ahead of each camera packet, as the overlay does.
//
// The idle cases report cpu_percent, the process's CPU time over 3 s of wall time as a percentage
// of one core: connected to a simulator that sends nothing, and with no simulator at all.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "director/insim/session.h"
#include "link/message_queue.h"
#include "platform/net.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCars = 40;
constexpr int kCarsPerPacket = 8;
constexpr int kMciSize = 4 + kCarsPerPacket * 28;
constexpr int kIoWaitMs = 3000;

// A 40-car set completes on its fifth packet.
class FixedDirector final : public director::SessionHandlers {
 public:
  bool OnCarPositions(const director::CarPositions& positions) override {
    seen_ += positions.count;
    if (seen_ < kCars) return false;
    seen_ = 0;
    return true;
  }
  bool DirectorActive() override { return true; }
  int CameraCount() override { return 100; }
  // Speed-up option set, 2D display off: the update step sends nothing but the camera.
  std::uint16_t StoredStateFlags() override { return director::ISS_SHIFTU_NO_OPT; }
  void RunDirectorCycle(director::InsimLink&, director::CameraPositionRecord* rec) override {
    rec->x = 1000;
    rec->heading = 1234;
    rec->fov = 40.0f;
  }
  // With the overlay on, a button goes out just before the camera.
  void OverlayUpdate(director::InsimLink& link, bool) override {
    if (!overlay) return;
    std::uint8_t button[16] = {16, director::ISP_BTN, 1, 255};
    link.sink->SendPacket(button, sizeof(button));
  }
  void Diagnostic(const char*) override {}
  bool overlay = false;

 private:
  int seen_ = 0;
};

// The simulator's end of the TCP link: packets cut by their Size byte.
class SimEnd {
 public:
  // The simulator's small packets go out as they are sent, so the time measured is the
  // director's, not this end's Nagle delay.
  explicit SimEnd(plat::Socket s) : s_(s) { plat::SetNoDelay(s_); }
  ~SimEnd() { plat::Close(s_); }
  SimEnd(const SimEnd&) = delete;
  SimEnd& operator=(const SimEnd&) = delete;

  // The next packet's type, or -1 on time-out or a closed link.
  int NextType() {
    for (;;) {
      if (have_ >= 1 && buf_[0] == 0) return -1;
      if (have_ >= 2 && have_ >= buf_[0]) {
        const int type = buf_[1];
        const int size = buf_[0];
        std::memmove(buf_, buf_ + size, static_cast<std::size_t>(have_ - size));
        have_ -= size;
        return type;
      }
      if (plat::PollReadable(s_, kIoWaitMs) != 1) return -1;
      const int n = plat::Recv(s_, buf_ + have_, static_cast<int>(sizeof(buf_)) - have_);
      if (n <= 0) return -1;
      have_ += n;
    }
  }
  bool Send(const std::uint8_t* data, int size) { return plat::Send(s_, data, size) == size; }

  // Answers TINY_VER and reads up to TINY_SST; false when the director did not greet.
  bool Handshake() {
    if (NextType() != director::ISP_ISI || NextType() != director::ISP_TINY) return false;
    std::uint8_t ver[20] = {20, director::ISP_VER, 1, 0, '0', '.', '7', 'F'};
    ver[18] = 8;
    if (!Send(ver, sizeof(ver))) return false;
    // Greeting, two hotkey bindings, then TINY_SST.
    for (int i = 0; i < 4; ++i) {
      if (NextType() < 0) return false;
    }
    return true;
  }

 private:
  plat::Socket s_;
  std::uint8_t buf_[4096] = {};
  int have_ = 0;
};

struct Listener {
  Listener() {
    plat::NetStartup();
    s = plat::TcpOpen();
    plat::Bind(s, plat::kLoopback, 0);
    plat::Listen(s, 1);
    port = plat::LocalPort(s);
  }
  ~Listener() {
    plat::Close(s);
    plat::NetCleanup();
  }
  plat::Socket Accept() {
    return plat::PollReadable(s, kIoWaitMs) == 1 ? plat::Accept(s) : plat::kNoSocket;
  }
  plat::Socket s = plat::kNoSocket;
  std::uint16_t port = 0;
};

// The InSim thread of a director with the system clock, speaking version 4 on the given port.
struct Director {
  explicit Director(std::uint16_t port) {
    settings.insimPort = port;
    settings.insimVersion = 4;
    settings.overlayDisabled = 1;
  }
  director::Settings settings;
  plat::SystemClock clock;
  glink::MessageQueue toGui;
  FixedDirector handlers;
  director::InsimThread thread{settings, clock, toGui, handlers};
};

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const auto at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[at];
}

// Argument 1: the overlay sends a button ahead of each camera packet.
void BM_PositionsToCamera(benchmark::State& state) {
  Listener listener;
  Director d(listener.port);
  d.handlers.overlay = state.range(0) != 0;
  d.settings.overlayDisabled = d.handlers.overlay ? 0 : 1;
  d.thread.StartInsimThread();
  SimEnd sim(listener.Accept());
  if (!sim.Handshake()) {
    state.SkipWithError("no handshake");
    return;
  }
  std::uint8_t mci[kMciSize] = {kMciSize, director::ISP_MCI, 0, kCarsPerPacket};
  for (int i = 0; i < kCarsPerPacket; ++i) mci[4 + i * 28] = 1;  // node 1: a car on the track
  std::uint32_t seed = 12345;
  std::vector<double> samples;
  for (auto _ : state) {
    seed = seed * 1664525u + 1013904223u;
    std::this_thread::sleep_for(std::chrono::microseconds((seed >> 8) % 15000));
    for (int i = 0; i < kCars / kCarsPerPacket - 1; ++i) sim.Send(mci, kMciSize);
    const Clock::time_point sent = Clock::now();
    sim.Send(mci, kMciSize);
    int type;
    while ((type = sim.NextType()) >= 0 && type != director::ISP_CPP) {
    }
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - sent).count();
    if (type < 0) {
      state.SkipWithError("no camera packet");
      break;
    }
    state.SetIterationTime(us / 1e6);
    samples.push_back(us);
  }
  d.thread.StopInsimThread();
  if (samples.empty()) return;
  state.counters["p50_us"] = Percentile(samples, 0.50);
  state.counters["p99_us"] = Percentile(samples, 0.99);
  state.counters["max_us"] = *std::max_element(samples.begin(), samples.end());
}
BENCHMARK(BM_PositionsToCamera)
    ->ArgName("overlay")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1000)
    ->Unit(benchmark::kMicrosecond);

double ProcessCpuSeconds() {
#ifdef _WIN32
  return 0.0;
#else
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
#endif
}

// CPU of the whole process over 3 s while this thread sleeps: the InSim thread's share.
double IdleCpuPercent() {
  const double cpu0 = ProcessCpuSeconds();
  const Clock::time_point t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(3));
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  return (ProcessCpuSeconds() - cpu0) / wall * 100.0;
}

void BM_IdleConnected(benchmark::State& state) {
#ifdef _WIN32
  state.SkipWithError("process CPU time is read with getrusage");
  return;
#endif
  Listener listener;
  Director d(listener.port);
  d.thread.StartInsimThread();
  SimEnd sim(listener.Accept());
  if (!sim.Handshake()) {
    state.SkipWithError("no handshake");
    return;
  }
  double percent = 0;
  for (auto _ : state) percent = IdleCpuPercent();
  d.thread.StopInsimThread();
  state.counters["cpu_percent"] = percent;
}
BENCHMARK(BM_IdleConnected)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_IdleWithoutSimulator(benchmark::State& state) {
#ifdef _WIN32
  state.SkipWithError("process CPU time is read with getrusage");
  return;
#endif
  std::uint16_t unused;
  {
    Listener probe;
    unused = probe.port;
  }
  Director d(unused);
  d.thread.StartInsimThread();
  double percent = 0;
  for (auto _ : state) percent = IdleCpuPercent();
  d.thread.StopInsimThread();
  state.counters["cpu_percent"] = percent;
}
BENCHMARK(BM_IdleWithoutSimulator)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
