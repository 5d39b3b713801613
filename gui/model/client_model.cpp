#include "gui/model/client_model.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "platform/thread.h"

namespace gui {

namespace {

// A quarter turn, as the edge points have always been computed (not pi/2 to full precision).
constexpr double kQuarterTurn = 1.570795;

constexpr std::uint32_t kExtrapolateAfter = 100;   // ms after a car message
constexpr std::uint32_t kExtrapolatePause = 1000;  // added to the next step's due time
// A tick difference this large is a due time up to 1000 ms in the future, not a late one.
constexpr std::uint32_t kNotYetDue = 4294966296u;

std::int32_t ClampToI32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);  // cuts toward zero
}

std::int32_t ClampToI32(std::int64_t v) {
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

// The centre moved by limit metres along the angle whose cosine and sine are c and s.
void EdgePoint(const glink::PathNode& node, float limit, double c, double s, std::int32_t* x,
               std::int32_t* y) {
  double along = static_cast<double>(limit) * -65536.0;
  *x = ClampToI32(static_cast<std::int64_t>(node.x) - ClampToI32(along * c));
  *y = ClampToI32(static_cast<std::int64_t>(node.y) - ClampToI32(along * s));
}

MapCamera FromMessage(const glink::CameraMsg& msg) {
  MapCamera c;
  c.x = msg.x;
  c.y = msg.y;
  c.height = msg.z;
  c.startNode = msg.startNode;
  c.endNode = msg.endNode;
  c.positionNode = msg.positionNode;
  return c;
}

}  // namespace

NodeEdges ComputeNodeEdges(const glink::PathNode& node) {
  double a =
      std::atan2(static_cast<double>(node.dirY), static_cast<double>(node.dirX)) - kQuarterTurn;
  double c = std::cos(a);
  double s = std::sin(a);
  NodeEdges e;
  EdgePoint(node, node.outerLeft, c, s, &e.outerLeftX, &e.outerLeftY);
  EdgePoint(node, node.outerRight, c, s, &e.outerRightX, &e.outerRightY);
  EdgePoint(node, node.roadLeft, c, s, &e.roadLeftX, &e.roadLeftY);
  EdgePoint(node, node.roadRight, c, s, &e.roadRightX, &e.roadRightY);
  return e;
}

int MapCameraList::insert(std::uint16_t index, const MapCamera& camera) {
  if (count >= kMaxCameras) return -1;
  int p = index > count ? count : index;
  for (int i = count; i > p; --i) entries[i] = entries[i - 1];
  entries[p] = camera;
  ++count;
  selected = static_cast<std::uint16_t>(p);
  return p;
}

int MapCameraList::resortCamera(int index) {
  // An index at or past count (never given) leaves the list alone instead of reading past it.
  while (index > 0 && index < count &&
         entries[index].positionNode < entries[index - 1].positionNode) {
    MapCamera t = entries[index];
    entries[index] = entries[index - 1];
    entries[index - 1] = t;
    --index;
  }
  while (index + 1 < count && entries[index].positionNode > entries[index + 1].positionNode) {
    MapCamera t = entries[index];
    entries[index] = entries[index + 1];
    entries[index + 1] = t;
    ++index;
  }
  return index;
}

void MapCameraList::remove(int index) {
  if (index < 0 || index >= count) return;
  for (int i = index; i + 1 < count; ++i) entries[i] = entries[i + 1];
  --count;
}

MapTrack::MapTrack(const char* trackName, std::uint32_t count, std::uint32_t finish)
    : nodes(), edges(), cameras(*this) {
  std::size_t n = strnlen(trackName, sizeof name - 1);
  std::memcpy(name, trackName, n);
  name[n] = '\0';
  nodeCount = count > kMaxNodes ? kMaxNodes : count;
  finishNode = finish;
}

ClientModel::ClientModel(plat::Clock& clock, glink::MessageQueue& toDirector)
    : clock_(clock), toDirector_(toDirector) {}

void ClientModel::requestNodes(std::uint32_t first) { glink::PostGetNodes(toDirector_, first); }

const glink::CarEntry* ClientModel::firstFocusCar() const {
  for (int i = 0; i < cars.count; ++i) {
    if (cars.entries[i].flags & glink::kCarFocus) return &cars.entries[i];
  }
  return nullptr;
}

void ClientModel::applyTrack(const glink::TrackMsg& msg) {
  if (!(track && std::strcmp(track->name, msg.name) == 0)) {
    if (track) {
      track.reset();
      setRedraw();
    }
    if (msg.name[0] == '\0') {
      raceTime = 0;
      manualControl = false;
      if (listener_) listener_->showNoTrackStates();
      return;
    }
    track.reset(new (std::nothrow) MapTrack(msg.name, msg.nodeCount, msg.finishNode));
    if (!track) {  // no memory for the track: the window stays without one
      if (listener_) listener_->showNoTrackStates();
      return;
    }
    ++trackSerial;
    requestNodes(0);
  }
  if (listener_) listener_->showTrackStates();
}

void ClientModel::applyTrackNode(const glink::TrackNodeMsg& msg) {
  if (!track || std::strcmp(track->name, msg.name) != 0) return;
  if (msg.index >= kMaxNodes) return;
  MapTrack& t = *track;
  const glink::PathNode node = glink::ReadPathNode(msg.node);
  if (t.nodesReceived == 0) {
    t.left = t.right = node.x;
    t.top = t.bottom = node.y;
  }
  t.nodes[msg.index] = node;
  NodeEdges e = ComputeNodeEdges(node);
  t.edges[msg.index] = e;
  t.arrived[msg.index] = true;
  const std::int32_t px[2] = {e.outerLeftX, e.outerRightX};
  const std::int32_t py[2] = {e.outerLeftY, e.outerRightY};
  for (int i = 0; i < 2; ++i) {
    if (px[i] < t.left) t.left = px[i];
    if (py[i] < t.bottom) t.bottom = py[i];
    if (px[i] > t.right) t.right = px[i];
    if (py[i] > t.top) t.top = py[i];
  }
  t.viewValid = false;
  t.nodesReceived = msg.index + 1;
  if (t.nodesReceived < t.nodeCount && t.nodesReceived % kNodeBatch == 0) {
    requestNodes(t.nodesReceived);
  }
  setRedraw();
}

void ClientModel::applyEditMode(bool on) {
  if (on == editMode) return;
  editMode = on;
  setRedraw();
  if (!track) return;
  track->zoom = kZoomFit;
  if (on) {
    track->cameras.count = 0;
    track->cameras.selected = 0;
    if (listener_) listener_->showEditOn();
  } else {
    if (listener_) listener_->showEditOff();
  }
}

void ClientModel::applyCurrentCamera(std::uint16_t index) {
  if (!track || index >= track->cameras.count) return;
  track->cameras.selected = index;
  setRedraw();
}

void ClientModel::applyEditCamera(std::uint16_t index) {
  if (!track || index >= track->cameras.count) return;
  track->cameras.selected = index;
  if (listener_) listener_->openEditCamera();
  setRedraw();
}

void ClientModel::applyCameraAdded(const glink::CameraMsg& msg) {
  if (!track) return;
  if (track->cameras.insert(msg.index, FromMessage(msg)) < 0) return;
  setRedraw();
}

void ClientModel::applyCameraChanged(const glink::CameraMsg& msg) {
  if (!track || msg.index >= track->cameras.count) return;
  MapCameraList& list = track->cameras;
  list.entries[msg.index] = FromMessage(msg);
  list.selected = static_cast<std::uint16_t>(list.resortCamera(msg.index));
  setRedraw();
}

void ClientModel::applyCameraDeleted(std::uint16_t index) {
  if (!track || index >= track->cameras.count) return;
  track->cameras.remove(index);
  setRedraw();
}

void ClientModel::applyCars(const glink::CarTableMsg& msg) {
  lastCarsTick = clock_.Now();
  for (PreviousPosition& p : previous) p.valid = false;
  for (int i = 0; i < cars.count; ++i) {
    const glink::CarEntry& car = cars.entries[i];
    previous[car.plid].valid = true;
    previous[car.plid].x = car.x;
    previous[car.plid].y = car.y;
  }
  int n = msg.count < 0 ? 0 : (msg.count > kMaxCars ? kMaxCars : msg.count);
  cars.count = static_cast<std::uint8_t>(n);
  for (int i = 0; i < kMaxCars; ++i) cars.entries[i] = i < n ? msg.cars[i] : glink::CarEntry{};
  if (listener_) listener_->applyZoomRuleForCars();
  setRedraw();
}

void ClientModel::extrapolateCars() {
  std::uint32_t now = clock_.Now();
  std::uint32_t elapsed = now - lastCarsTick;
  if (elapsed < kExtrapolateAfter || elapsed >= kNotYetDue) return;
  lastCarsTick = now + kExtrapolatePause;
  for (int i = 0; i < cars.count; ++i) {
    glink::CarEntry& car = cars.entries[i];
    PreviousPosition& p = previous[car.plid];
    if (!p.valid) continue;
    // 64-bit steps wrapped back to 32 bits, as the fixed-point positions themselves wrap.
    std::int32_t x = car.x;
    std::int32_t y = car.y;
    car.x = static_cast<std::int32_t>(x + (static_cast<std::int64_t>(x) - p.x) / 2);
    car.y = static_cast<std::int32_t>(y + (static_cast<std::int64_t>(y) - p.y) / 2);
    p.x = x;
    p.y = y;
  }
  setRedraw();
}

void ClientModel::linkVersionMismatch(const char* text, const char* caption) {
  if (listener_) listener_->linkVersionMismatch(text, caption);
}

void ClientModel::applyViewPos(const glink::ViewPosMsg& msg) {
  viewX = msg.x;
  viewY = msg.y;
  setRedraw();
}

void ClientModel::applyPlayerLabel(const glink::PlayerLabelMsg& msg) {
  if (msg.clearAll) {
    for (auto& label : names.labels) label[0] = '\0';
    return;
  }
  std::size_t n = strnlen(msg.text, glink::kLabelReadLength);
  std::memcpy(names.labels[msg.plid], msg.text, n);
  names.labels[msg.plid][n] = '\0';
}

void ClientModel::applyRaceClock(std::uint32_t ms) {
  raceTime = ms;
  raceTimeTick = clock_.Now();
}

}  // namespace gui
