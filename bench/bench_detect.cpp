// Cost of one update of the broadcast rules' incident and overtake detector.
//
// 40 cars (the realistic grid) and 255 cars (the most the director lists) run round a 600-node
// circle of 500 m radius with road limits, each set moving every car one node on, with race
// positions given; every eighth set two neighbours swap places, so the pass search also finds
// something. Allocations during the updates are counted (operator new is replaced in this
// program) and reported as allocs_per_update, which must stay 0.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "bench/counting_new.h"
#include "director/engine/incident_detector.h"

namespace {

using director::CarSample;
using director::IncidentDetector;
using director::TrackLimitNode;

constexpr int kNodes = 600;
constexpr double kRadius = 500.0 * 65536;
constexpr double kTwoPi = 6.283185307179586;

std::vector<TrackLimitNode> CircleTrack() {
  std::vector<TrackLimitNode> nodes(kNodes);
  for (int k = 0; k < kNodes; ++k) {
    const double a = kTwoPi * k / kNodes;
    nodes[k].x = static_cast<std::int32_t>(kRadius * std::cos(a));
    nodes[k].y = static_cast<std::int32_t>(kRadius * std::sin(a));
    nodes[k].dirX = static_cast<float>(-std::sin(a));
    nodes[k].dirY = static_cast<float>(std::cos(a));
    nodes[k].leftEdge = -6.0f;
    nodes[k].rightEdge = 6.0f;
    nodes[k].hasLimits = true;
  }
  return nodes;
}

// Car i of n, spread round the lap, at the given set.
CarSample CarOnCircle(int i, int n, std::uint32_t set) {
  const int along = (kNodes - i * kNodes / n) + static_cast<int>(set);
  const int node = along % kNodes;
  const double a = kTwoPi * node / kNodes;
  CarSample c;
  c.plid = static_cast<std::uint8_t>(i + 1);
  c.node = static_cast<std::uint16_t>(node);
  c.lap = static_cast<std::uint16_t>(1 + along / kNodes);
  c.position = static_cast<std::uint8_t>(i + 1);
  c.x = static_cast<std::int32_t>(kRadius * std::cos(a));
  c.y = static_cast<std::int32_t>(kRadius * std::sin(a));
  c.speed = static_cast<std::uint16_t>(26.0 * 327.68);
  c.direction = static_cast<std::uint16_t>(a / kTwoPi * 65536.0);
  c.heading = static_cast<std::uint16_t>(c.direction + 500);
  c.angVel = 150;
  return c;
}

void BM_DetectorUpdate(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<TrackLimitNode> track = CircleTrack();
  auto detector = std::make_unique<IncidentDetector>();
  detector->setTrack({track.data(), kNodes, 0});
  // Sets prepared beforehand, so only the update is measured.
  constexpr int kSets = 64;
  std::vector<std::vector<CarSample>> sets(kSets);
  for (int s = 0; s < kSets; ++s) {
    for (int i = 0; i < n; ++i) sets[s].push_back(CarOnCircle(i, n, static_cast<std::uint32_t>(s)));
    if (s % 8 == 7) std::swap(sets[s][4].position, sets[s][5].position);
  }
  std::uint32_t now = 1000;
  int set = 0;
  long long events = 0;
  const long long allocationsBefore = gAllocations.load();
  for (auto _ : state) {
    events += detector->update(sets[set].data(), n, now, true);
    set = (set + 1) % kSets;
    now += 200;
  }
  const double updates = static_cast<double>(state.iterations());
  state.counters["allocs_per_update"] =
      static_cast<double>(gAllocations.load() - allocationsBefore) / updates;
  state.counters["events_per_update"] = static_cast<double>(events) / updates;
}
BENCHMARK(BM_DetectorUpdate)->Arg(40)->Arg(255);

}  // namespace

BENCHMARK_MAIN();
