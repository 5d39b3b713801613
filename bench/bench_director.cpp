// Cost of the director's decision and of the camera aiming.
//
// The realistic case: 40 cars spread over a 600-node track with 100 cameras along it, each
// covering 50 nodes. The worst case: 255 cars and 100 cameras that all cover every node, so
// every camera scores every car. Each cycle is preceded by one position sample per car, as a
// complete set of position packets brings them. Every allocation made during the cycles is
// counted (operator new is replaced in this program) and reported as allocs_per_cycle. The
// broadcast variants run the same scenes with the broadcast rule set on top.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "bench/counting_new.h"
#include "director/engine/aiming.h"
#include "director/engine/broadcast_rules.h"
#include "director/engine/car_progress.h"
#include "director/engine/director_cycle.h"
#include "platform/thread.h"

namespace {

using director::CameraPositionRecord;
using director::CompCar;
using director::DirectorCycle;
using director::TrackPath;

constexpr int kNodes = 600;
constexpr double kRadius = 500.0 * 65536;

class NoAnnouncer final : public director::DriverAnnouncer {
 public:
  void AnnounceDriver(director::InsimLink&, const char*, std::uint8_t) override {}
};

// The custom view is always there, so the on-board view is taken whenever it is due.
class ReadyViews final : public director::ViewInstaller {
 public:
  const char* installCustomView(std::uint8_t, std::uint8_t) override { return nullptr; }
};

struct Scene {
  Scene(int carCount, bool everyCameraCoversAll)
      : cars(carCount), track(std::make_unique<TrackPath>("BL1")) {
    for (int i = 0; i < kNodes; ++i) {
      const double a = 2 * 3.14159265358979 * i / kNodes;
      track->nodes[i].centreX = static_cast<std::int32_t>(kRadius * std::cos(a));
      track->nodes[i].centreY = static_cast<std::int32_t>(kRadius * std::sin(a));
    }
    track->nodeCount = kNodes;
    director::CameraStore& store = track->cameras;
    for (int k = 0; k < director::kMaxCameras; ++k) {
      const int n = k * kNodes / director::kMaxCameras;
      director::CameraPosition& c = store.cameras[k];
      c.x = track->nodes[n].centreX / 25 * 26;
      c.y = track->nodes[n].centreY / 25 * 26;
      c.nearestNode = static_cast<std::uint16_t>(n);
      c.rangeStart =
          everyCameraCoversAll ? 0 : static_cast<std::uint16_t>((n + kNodes - 25) % kNodes);
      c.rangeEnd = everyCameraCoversAll ? 0 : static_cast<std::uint16_t>((n + 25) % kNodes);
    }
    store.count = director::kMaxCameras;
    director::BuildScoreCurves(&state.curves);
    // Cars in pairs and small groups around the lap, all at racing speed.
    for (int i = 0; i < cars; ++i) position[i] = (i * 37 + (i % 3) * 2) % kNodes * 16;
  }

  // One position sample per car: each moves on by half a node to two nodes.
  void Sample() {
    for (int i = 0; i < cars; ++i) {
      const std::uint8_t plid = static_cast<std::uint8_t>(i + 1);
      position[i] += 8 + (i * 7 + tick) % 24;
      const int node = position[i] / 16 % kNodes;
      CompCar c;
      c.node = static_cast<std::uint16_t>(node);
      c.lap = static_cast<std::uint16_t>(1 + position[i] / 16 / kNodes);
      c.plid = plid;
      c.x = track->nodes[node].centreX;
      c.y = track->nodes[node].centreY;
      c.speed = 9000;
      c.direction = static_cast<std::uint16_t>(node * 65536 / kNodes + 32768);
      director::PlayerRecord& r = race.players[plid];
      director::updateCarProgress(r, c, *track);
      if (r.listed == 0 && race.raceOrder.Append(plid)) r.listed = 1;
    }
    ++tick;
  }

  int cars;
  int tick = 0;
  int position[255] = {};
  std::unique_ptr<TrackPath> track;
  director::RaceState race;
  director::DirectorState state;
  director::StateReport report;
  plat::ManualClock clock{1000};
  NoAnnouncer announcer;
  ReadyViews views;
  director::InsimLink link;
};

// broadcast: the broadcast rule set on top, in a race under way (its detector sees every set).
void RunCycles(benchmark::State& bench, int cars, bool everyCameraCoversAll,
               bool broadcast = false) {
  auto scene = std::make_unique<Scene>(cars, everyCameraCoversAll);
  DirectorCycle cycle(scene->state, scene->race, *scene->track, scene->report, scene->clock,
                      scene->announcer, scene->views);
  auto rules = std::make_unique<director::BroadcastRules>();
  if (broadcast) {
    rules->setTrack(scene->track.get());
    cycle.useBroadcastRules(rules.get());
    scene->report.raceInProgress = 1;
    scene->report.raceLaps = 50;
    scene->race.raceStarted = 1;
  }
  CameraPositionRecord packet;
  {
    const long long probe = gAllocations.load();
    int* p = new int(1);
    benchmark::DoNotOptimize(p);
    delete p;
    if (gAllocations.load() == probe) bench.SkipWithError("allocations are not counted");
  }
  long long allocations = 0, cycles = 0;
  for (auto _ : bench) {
    scene->Sample();
    scene->clock.Advance(200);
    const long long before = gAllocations.load();
    cycle.runDirectorCycle(scene->link, &packet);
    allocations += gAllocations.load() - before;
    ++cycles;
    benchmark::DoNotOptimize(packet);
  }
  bench.counters["allocs_per_cycle"] =
      benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(cycles));
}

void BM_DirectorCycleRealistic(benchmark::State& bench) { RunCycles(bench, 40, false); }
BENCHMARK(BM_DirectorCycleRealistic)->Unit(benchmark::kMicrosecond);

void BM_DirectorCycleWorstCase(benchmark::State& bench) { RunCycles(bench, 255, true); }
BENCHMARK(BM_DirectorCycleWorstCase)->Unit(benchmark::kMicrosecond);

void BM_BroadcastCycleRealistic(benchmark::State& bench) { RunCycles(bench, 40, false, true); }
BENCHMARK(BM_BroadcastCycleRealistic)->Unit(benchmark::kMicrosecond);

void BM_BroadcastCycleWorstCase(benchmark::State& bench) { RunCycles(bench, 255, true, true); }
BENCHMARK(BM_BroadcastCycleWorstCase)->Unit(benchmark::kMicrosecond);

// One car aimed at from 60 m with the 39 others as possible neighbours, and a group of 8.
void BM_Aiming(benchmark::State& bench) {
  auto scene = std::make_unique<Scene>(40, false);
  scene->Sample();
  director::CameraPosition cam = scene->track->cameras.cameras[10];
  const std::uint8_t group[] = {1, 2, 3, 4, 5, 6, 7, 8};
  CameraPositionRecord packet;
  std::uint8_t car = 1;
  for (auto _ : bench) {
    packet.time = 1500;
    director::aimAtCar(cam, packet, car, scene->race.players, *scene->track);
    director::aimAtGroup(cam, packet, group, 8, scene->race.players);
    car = static_cast<std::uint8_t>(car % 40 + 1);
    benchmark::DoNotOptimize(packet);
  }
}
BENCHMARK(BM_Aiming)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
