// The GUI client's map repaint on a full track: 1500 nodes on an oval with 40 cars (8 of them in
// focus) and their labels, once as a race (road edges, cars, finish line, car list, race clock)
// and once in edit mode with 100 camera marks and the current camera's stretch of road in red.
// The canvas only counts what it is given, so the figure is the map view's own work: the
// transform of every point, the runs of road edge and the order of drawing.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "gui/mapview/map_view.h"
#include "gui/model/client_model.h"
#include "link/message_queue.h"
#include "platform/bytes.h"
#include "platform/thread.h"

namespace {

constexpr std::uint32_t kNodes = 1500;
constexpr int kCars = 40;
constexpr int kCameras = 100;
constexpr int kWidth = 1024;
constexpr int kHeight = 700;

class CountingCanvas final : public gui::Canvas {
 public:
  void clear() override { ++calls; }
  void setPen(gui::Colour, bool) override { ++calls; }
  void line(int x1, int, int, int) override {
    ++shapes;
    sum += x1;
  }
  void polyline(const gui::Point* points, int count) override {
    pointCount += count;
    sum += points[count - 1].y;
  }
  void ellipse(int x1, int, int, int) override {
    ++shapes;
    sum += x1;
  }
  void text(int x, int, const char*, int length, gui::Colour, gui::TextAlign) override {
    ++shapes;
    sum += x + length;
  }
  gui::TextMetrics metrics() override { return {13, 8}; }
  long long calls = 0;
  long long shapes = 0;      // lines, ellipses and texts
  long long pointCount = 0;  // polyline points
  long long sum = 0;
};

class NoActions final : public gui::MapActions {
 public:
  void invalidateMap() override {}
  void takeManualControl() override {}
};

void PutFloat(std::uint8_t* at, float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  plat::PutU32(at, bits);
}

// A 2 km by 1 km oval, 12 m wide, with the cars spread along it.
struct Scene {
  explicit Scene(bool editMode) {
    glink::TrackMsg track;
    std::snprintf(track.name, sizeof track.name, "BL1");
    track.nodeCount = kNodes;
    model.applyTrack(track);
    glink::TrackNodeMsg node;
    std::snprintf(node.name, sizeof node.name, "BL1");
    for (std::uint32_t i = 0; i < kNodes; ++i) {
      const double a = 2 * 3.14159265358979 * i / kNodes;
      node.index = i;
      plat::PutI32(node.node + 0, static_cast<std::int32_t>(1000.0 * std::cos(a) * 65536));
      plat::PutI32(node.node + 4, static_cast<std::int32_t>(500.0 * std::sin(a) * 65536));
      plat::PutI32(node.node + 8, 0);
      PutFloat(node.node + 12, static_cast<float>(-std::sin(a)));
      PutFloat(node.node + 16, static_cast<float>(std::cos(a)));
      PutFloat(node.node + 20, 0.0f);
      PutFloat(node.node + 24, -8.0f);
      PutFloat(node.node + 28, 8.0f);
      PutFloat(node.node + 32, -6.0f);
      PutFloat(node.node + 36, 6.0f);
      model.applyTrackNode(node);
      // The node requests the model makes as batches complete.
      while (toDirector.peek() != nullptr) toDirector.release();
    }
    glink::CarTableMsg cars;
    cars.count = kCars;
    for (int i = 0; i < kCars; ++i) {
      const double a = 2 * 3.14159265358979 * i / kCars;
      cars.cars[i] = {static_cast<std::uint8_t>(i + 1),
                      static_cast<std::uint8_t>(i % 5 == 0 ? glink::kCarFocus : 0),
                      static_cast<std::int32_t>(1000.0 * std::cos(a) * 65536),
                      static_cast<std::int32_t>(500.0 * std::sin(a) * 65536)};
      glink::PlayerLabelMsg label;
      label.plid = static_cast<std::uint8_t>(i + 1);
      std::snprintf(label.text, sizeof label.text, "Driver %02d (%d)", i + 1, i % 3);
      model.applyPlayerLabel(label);
    }
    model.applyCars(cars);
    model.applyRaceClock(3725000);
    if (editMode) {
      model.applyEditMode(true);
      for (int i = 0; i < kCameras; ++i) {
        const std::uint16_t at = static_cast<std::uint16_t>(i * kNodes / kCameras);
        const double a = 2 * 3.14159265358979 * at / kNodes;
        glink::CameraMsg camera{static_cast<std::uint16_t>(i),
                                static_cast<std::int32_t>(1030.0 * std::cos(a) * 65536),
                                static_cast<std::int32_t>(530.0 * std::sin(a) * 65536),
                                5 * 65536,
                                static_cast<std::uint16_t>((at + kNodes - 10) % kNodes),
                                static_cast<std::uint16_t>((at + 10) % kNodes),
                                at};
        model.applyCameraAdded(camera);
      }
      model.applyCurrentCamera(kCameras / 2);
    }
  }

  plat::ManualClock clock{100000};
  glink::ToDirectorQueue toDirector;
  gui::ClientModel model{clock, toDirector};
  NoActions actions;
  gui::MapView view{model, actions};
};

void Repaint(benchmark::State& state, bool editMode) {
  Scene scene(editMode);
  CountingCanvas canvas;
  for (auto _ : state) {
    scene.view.paintMap(canvas, kWidth, kHeight);
    benchmark::DoNotOptimize(canvas.sum);
  }
  const auto per = [&](long long n) { return static_cast<double>(n) / state.iterations(); };
  state.counters["points"] = per(canvas.pointCount);
  state.counters["shapes"] = per(canvas.shapes);
}

void BM_MapRepaintRace(benchmark::State& state) { Repaint(state, false); }
void BM_MapRepaintEditMode(benchmark::State& state) { Repaint(state, true); }

BENCHMARK(BM_MapRepaintRace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MapRepaintEditMode)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
