// The web view's cost: what the InSim thread pays after every set of positions (taking the
// snapshot and handing it over) and what the web thread pays once per snapshot (its JSON), for a
// full grid of 40 cars; and the latency from a publication to the event a viewer reads.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "bench/counting_new.h"
#include "director/engine/director_state.h"
#include "director/engine/track_path.h"
#include "platform/net.h"
#include "web/http/web_json.h"
#include "web/snapshot_box.h"
#include "web/web_publisher.h"
#include "web/web_server.h"

namespace {

using namespace director;

struct Grid {
  std::unique_ptr<RaceState> race = std::make_unique<RaceState>();
  StateReport state;
  DirectorState director;
  std::unique_ptr<TrackPath> track = std::make_unique<TrackPath>("BL1");
  Grid() {
    for (std::uint8_t plid = 1; plid <= 40; ++plid) {
      PlayerRecord& r = race->players[plid];
      std::snprintf(r.name, sizeof r.name, "^%dDriver %d", plid % 8, plid);
      std::snprintf(r.carName, sizeof r.carName, "XRT");
      r.carSample.position = static_cast<std::uint8_t>(41 - plid);
      r.carSample.x = plid * 65536 * 7;
      r.lapsDone = 3;
      r.totalTime = 180000u + plid * 700u;
      race->raceOrder.Append(plid);
    }
    state.raceLaps = 10;
    director.followedCar = 5;
  }
  WebSources Sources() const { return {*race, state, director, track.get(), true, false}; }
};

void BM_WebPublishAfterPositions(benchmark::State& st) {
  Grid grid;
  SnapshotBox box;
  WebPublisher publisher(box);
  publisher.AfterPositions(grid.Sources(), 1000);
  const long long before = gAllocations.load();
  for (auto _ : st) publisher.AfterPositions(grid.Sources(), 1000);
  st.counters["allocs/op"] = static_cast<double>(gAllocations.load() - before) /
                             static_cast<double>(st.iterations());
}
BENCHMARK(BM_WebPublishAfterPositions);

void BM_WebStateJson(benchmark::State& st) {
  Grid grid;
  SnapshotBox box;
  WebPublisher publisher(box);
  publisher.AfterPositions(grid.Sources(), 1000);
  auto snapshot = std::make_unique<WebSnapshot>();
  box.Latest(snapshot.get());
  std::size_t bytes = 0;
  for (auto _ : st) {
    const std::string json = StateJson(*snapshot);
    bytes = json.size();
    benchmark::DoNotOptimize(json.data());
  }
  st.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WebStateJson);

// From Publish on the InSim thread to the whole event in a viewer's socket, over loopback.
void BM_WebEventLatency(benchmark::State& st) {
  plat::NetStartup();
  Grid grid;
  SnapshotBox box;
  WebPublisher publisher(box);
  WebServer server(box);
  std::string error;
  if (!server.Start("127.0.0.1", 0, &error)) {
    st.SkipWithError(error.c_str());
    return;
  }
  publisher.AfterPositions(grid.Sources(), 1000);
  plat::OwnedSocket s(plat::TcpOpen());
  plat::Connect(s.Get(), plat::kLoopback, server.Port());
  const std::string request = "GET /events HTTP/1.1\r\n\r\n";
  plat::Send(s.Get(), request.data(), static_cast<int>(request.size()));
  std::string stream;
  char buf[65536];
  const auto readEvent = [&] {
    for (;;) {
      const std::size_t end = stream.find("\n\n", stream.find("event: state"));
      if (stream.find("event: state") != std::string::npos && end != std::string::npos) {
        stream.erase(0, end + 2);
        return;
      }
      if (plat::PollReadable(s.Get(), 5000) != 1) return;
      const int n = plat::Recv(s.Get(), buf, sizeof buf);
      if (n <= 0) return;
      stream.append(buf, static_cast<std::size_t>(n));
    }
  };
  readEvent();
  for (auto _ : st) {
    // Positions come every 200 ms; a viewer is sent at most one state every 50 ms.
    st.PauseTiming();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    st.ResumeTiming();
    publisher.AfterPositions(grid.Sources(), 1000);
    readEvent();
  }
  server.Stop();
  plat::NetCleanup();
}
BENCHMARK(BM_WebEventLatency)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
