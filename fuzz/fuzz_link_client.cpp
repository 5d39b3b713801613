// The GUI client's end of the GUI link: ParseFrames cutting the director's stream into the
// client's queue, the dispatcher checking the link version and each record, and the client
// model applying them.
//
// Input: an options byte (bit 0: the window dispatches after every read; else after every
// fourth, so the queue fills up and the parser waits for room), a read-length byte, then the
// bytes the director sends. Reads go into the communication thread's 1000-byte buffer behind
// what it kept, as its receiver does. The model's tables stay within their bounds, every request
// it queues for the director can be framed, and painting reads only what it hands the canvas.
#include <cstring>
#include <memory>

#include "fuzz/fuzz_support.h"
#include "gui/mapview/map_view.h"
#include "gui/model/client_model.h"
#include "link/link_client.h"
#include "platform/thread.h"

namespace {

class Listener : public gui::ModelListener {
 public:
  void showTrackStates() override {}
  void showNoTrackStates() override {}
  void showEditOn() override {}
  void showEditOff() override {}
  void applyZoomRuleForCars() override {}
  void openEditCamera() override {}
  void linkVersionMismatch(const char*, const char*) override { stopped = true; }
  bool stopped = false;
};

class MapWindow : public gui::MapActions {
 public:
  void invalidateMap() override {}
  void takeManualControl() override {}
};

// Touches every byte and point it is given, so that the sanitizer sees any read past them.
class TouchingCanvas : public gui::Canvas {
 public:
  void clear() override {}
  void setPen(gui::Colour, bool) override {}
  void line(int x1, int y1, int x2, int y2) override { sum += x1 + y1 + x2 + y2; }
  void polyline(const gui::Point* points, int count) override {
    fuzz::Check(count >= 2, "a polyline of fewer than two points");
    for (int i = 0; i < count; ++i) sum += points[i].x + points[i].y;
  }
  void ellipse(int x1, int y1, int x2, int y2) override { sum += x1 + y1 + x2 + y2; }
  void text(int x, int y, const char* text, int length, gui::Colour, gui::TextAlign) override {
    fuzz::Check(length >= 0, "text length");
    for (int i = 0; i < length; ++i) sum += text[i];
    sum += x + y;
  }
  gui::TextMetrics metrics() override { return {16, 8}; }
  unsigned sum = 0;
};

void CheckModel(const gui::ClientModel& model) {
  if (model.track) {
    const gui::MapTrack& t = *model.track;
    fuzz::Check(t.nodeCount <= gui::kMaxNodes && t.nodesReceived <= gui::kMaxNodes, "nodes");
    fuzz::Check(t.cameras.count <= gui::kMaxCameras, "cameras");
    fuzz::Check(t.name[sizeof(t.name) - 1] == '\0', "track name");
  }
  fuzz::Check(model.cars.count <= gui::kMaxCars, "cars");
  for (const auto& label : model.names.labels) {
    fuzz::Check(label[glink::kLabelReadLength] == '\0', "player label");
  }
}

// What the communication thread sends of the model's requests.
void SendRequests(glink::ToDirectorQueue& queue) {
  std::uint8_t frame[glink::kFrameBufferSize];
  while (const std::uint8_t* record = queue.peek()) {
    fuzz::Check(glink::BuildFrame(record, frame) > 0, "a request that cannot be framed");
    queue.release();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool everyPass = (data[0] & 1) != 0;
  const std::size_t readLength = data[1] + 1u;
  plat::ManualClock clock(5000);
  auto client = std::make_unique<glink::LinkClient>(clock);
  auto model = std::make_unique<gui::ClientModel>(clock, client->toDirector());
  Listener listener;
  model->setListener(&listener);
  MapWindow window;
  gui::MapView map(*model, window);
  TouchingCanvas canvas;
  auto repaint = [&] {
    if (model->takeRedraw()) map.paintMap(canvas, 800, 600);
  };

  fuzz::FrameFeed feed(data + 2, size - 2, readLength);
  for (int pass = 0; !listener.stopped; ++pass) {
    const fuzz::FrameFeed::Result r = feed.Pass(client->toGui(), clock);
    if (r == fuzz::FrameFeed::kEnded) break;
    SendRequests(client->toDirector());
    if (everyPass || pass % 4 == 3 || r == fuzz::FrameFeed::kStalled) {
      client->DispatchLinkMessages(*model);
      repaint();
    }
    CheckModel(*model);
    clock.Advance(10);
  }
  for (int i = 0; i < 2 * glink::kQueueSlots && !listener.stopped; ++i) {
    client->DispatchLinkMessages(*model);
    repaint();
    SendRequests(client->toDirector());
  }
  CheckModel(*model);
  return 0;
}
