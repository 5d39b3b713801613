// The GUI client's share of each 10 ms window tick: DispatchLinkMessages draining a full incoming
// queue (64 records of typical traffic) into a model that does nothing, so the cost measured is
// the taking, size checks and decoding alone.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "link/link_client.h"
#include "link/link_messages.h"
#include "platform/thread.h"

namespace {

class NullModel final : public glink::ClientModelHandlers {
 public:
  void applyTrack(const glink::TrackMsg&) override {}
  void applyEditMode(bool) override {}
  void applyCurrentCamera(std::uint16_t) override {}
  void applyEditCamera(std::uint16_t) override {}
  void applyCameraAdded(const glink::CameraMsg&) override {}
  void applyCameraChanged(const glink::CameraMsg&) override {}
  void applyCameraDeleted(std::uint16_t) override {}
  void applyCars(const glink::CarTableMsg& cars) override { benchmark::DoNotOptimize(cars.count); }
  void applyViewPos(const glink::ViewPosMsg&) override {}
  void applyPlayerLabel(const glink::PlayerLabelMsg&) override {}
  void applyRaceClock(std::uint32_t) override {}
  void applyTrackNode(const glink::TrackNodeMsg& node) override {
    benchmark::DoNotOptimize(node.index);
  }
  void extrapolateCars() override {}
  void linkVersionMismatch(const char*, const char*) override {}
};

// A burst as the director sends it while a track loads: car tables between batches of nodes.
void BM_DispatchFullQueue(benchmark::State& state) {
  plat::ManualClock clock;
  glink::LinkClient client(clock);  // never started: this thread fills its queue instead
  NullModel model;
  glink::CarEntry cars[20];
  for (int i = 0; i < 20; ++i) cars[i] = {static_cast<std::uint8_t>(i + 1), 0, i * 65536, -i};
  std::uint8_t node[glink::kPathNodeSize] = {};
  glink::PostVersion(client.toGui(), 4);
  client.DispatchLinkMessages(model);  // links up
  std::int64_t records = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (std::uint32_t i = 0; i < glink::kQueueSlots; ++i) {
      if (i % 8 == 0) {
        glink::PostCarTable(client.toGui(), 20, cars);
      } else {
        glink::PostTrackNode(client.toGui(), "BL1", i, node);
      }
    }
    state.ResumeTiming();
    client.DispatchLinkMessages(model);
    records += glink::kQueueSlots;
  }
  state.SetItemsProcessed(records);
}
BENCHMARK(BM_DispatchFullQueue);

}  // namespace

BENCHMARK_MAIN();
