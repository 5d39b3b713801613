// The overlay's heaviest passes with a full grid of 255 cars: the standings start from a complete
// snapshot after a lap packet (a sort of cars listed in reverse order, the checks and the first
// page of buttons), and a pass of a page on screen that must sort again.
#include <benchmark/benchmark.h>

#include "director/overlay/overlay.h"
#include "platform/thread.h"

namespace {

class CountingSink final : public director::PacketSink {
 public:
  void SendPacket(const std::uint8_t*, int) override { ++packets; }
  long long packets = 0;
};

struct Grid {
  Grid() {
    report.raceInProgress = 1;
    report.raceLaps = 50;
    link.sink = &sink;
    // Every car has completed lap 3 and crossed the line, one node apart; raceOrder lists them
    // the wrong way round for the standings, so the sort has the most work.
    for (int i = 0; i < director::kMaxRaceOrder; ++i) {
      const auto id = static_cast<std::uint8_t>(i + 1);
      director::PlayerRecord& r = race.players[id];
      r.lapsDone = 3;
      r.lapFigure = 4;
      r.lapPosition = static_cast<std::uint16_t>(300 - i);
      r.raceDistance = 4000u + r.lapPosition;
      r.totalTime = 300000u + 10u * static_cast<std::uint32_t>(director::kMaxRaceOrder - i);
      race.raceOrder.Append(id);
    }
  }
  director::OverlayContext Context() { return {link, clock, race, report, 6}; }

  CountingSink sink;
  director::InsimLink link;
  plat::ManualClock clock{100000};
  director::RaceState race;
  director::StateReport report;
  director::OverlayState overlay;
};

void BM_StandingsStartFromFullGrid(benchmark::State& state) {
  Grid grid;
  for (auto _ : state) {
    grid.overlay = director::OverlayState{};
    grid.race.standingsChanged = 1;
    grid.race.stopsChangeCount = 2;  // no progressive standings: a complete snapshot
    director::OverlayUpdate(grid.overlay, grid.Context(), true);  // snapshot
    director::OverlayUpdate(grid.overlay, grid.Context(), true);  // first page
    benchmark::DoNotOptimize(grid.overlay.rowsDone);
  }
  state.counters["packets/iter"] = benchmark::Counter(static_cast<double>(grid.sink.packets),
                                                      benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StandingsStartFromFullGrid);

void BM_PageOnScreenResorted(benchmark::State& state) {
  Grid grid;
  grid.race.standingsChanged = 1;
  director::OverlayUpdate(grid.overlay, grid.Context(), true);
  director::OverlayUpdate(grid.overlay, grid.Context(), true);
  for (auto _ : state) {
    grid.race.standingsChanged = 1;  // raceOrder is the reverse of the standings: a full sort
    director::OverlayUpdate(grid.overlay, grid.Context(), true);
    benchmark::DoNotOptimize(grid.overlay.standingsOrder[0]);
  }
}
BENCHMARK(BM_PageOnScreenResorted);

}  // namespace

BENCHMARK_MAIN();
