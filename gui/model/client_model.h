// The GUI client's picture of the director: the track with its path nodes and edge points, the
// camera positions reported in edit mode, the cars, their labels, the race clock and the view
// position. Every received link message has one apply... operation here; all of them run on the
// window thread, so nothing is locked.
//
// The model asks for the track's nodes itself (GLM_GET_NODES, first at 0 and then after every
// complete batch of 32) through the outgoing queue; a full queue drops the request. Operations
// that change what the window shows set the redraw flag, which the window takes with an atomic
// exchange. Changes that the menus and toolbar follow are told to a ModelListener.
//
// Hostile records stay within the tables: node counts are capped at 1500, node indexes at or past
// 1500 are ignored, a 101st camera is refused. The node and edge tables of a new track start
// zeroed and each node carries an arrived mark, so a half-loaded track draws only real nodes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "link/link_client.h"
#include "link/link_messages.h"
#include "link/message_queue.h"
#include "link/path_node.h"

namespace plat {
class Clock;
}

namespace gui {

inline constexpr int kMaxNodes = 1500;
inline constexpr int kMaxCameras = 100;
inline constexpr int kMaxCars = glink::kMaxLinkCars;
inline constexpr int kNodeBatch = 32;

// Zoom values: 0 is Fit, the others the visible span in metres.
inline constexpr std::uint16_t kZoomFit = 0;

// The four edge points of a node, world units.
struct NodeEdges {
  std::int32_t outerLeftX = 0, outerLeftY = 0;
  std::int32_t outerRightX = 0, outerRightY = 0;
  std::int32_t roadLeftX = 0, roadLeftY = 0;
  std::int32_t roadRightX = 0, roadRightY = 0;
};
// The edge points of a node: each limit L moved from the centre a quarter turn clockwise of the
// direction of travel (Y up), by L metres. Values beyond 32 bits are clamped.
NodeEdges ComputeNodeEdges(const glink::PathNode& node);

struct MapCamera {
  std::int32_t x = 0, y = 0, height = 0;  // world units
  std::uint16_t startNode = 0;
  std::uint16_t endNode = 0;       // below startNode: the range wraps past the last node
  std::uint16_t positionNode = 0;  // the sort key
};

class MapTrack;

class MapCameraList {
 public:
  explicit MapCameraList(MapTrack& mapTrack) : track(mapTrack) {}
  virtual ~MapCameraList() = default;
  MapCameraList(const MapCameraList&) = delete;
  MapCameraList& operator=(const MapCameraList&) = delete;

  // Inserts at index (or at the end when index is beyond count) and selects it; -1 when full.
  int insert(std::uint16_t index, const MapCamera& camera);
  // Moves the entry at index back or forth until the position nodes around it are in order
  // (equal ones stay); gives its final index.
  int resortCamera(int index);
  // Removes the entry at index (below count); selected is left alone.
  void remove(int index);
  // The selected camera, or null when selected is not below count.
  const MapCamera* current() const { return selected < count ? &entries[selected] : nullptr; }

  MapTrack& track;
  std::uint16_t count = 0;
  std::uint16_t selected = 0;
  MapCamera entries[kMaxCameras];
};

struct TrackInfo {
  char name[8] = {};
  std::uint32_t nodeCount = 0;  // at most kMaxNodes
  std::uint32_t finishNode = 0;
};

class MapTrack : public TrackInfo {
 public:
  MapTrack(const char* name, std::uint32_t nodeCount, std::uint32_t finishNode);
  virtual ~MapTrack() = default;
  MapTrack(const MapTrack&) = delete;
  MapTrack& operator=(const MapTrack&) = delete;

  // The index is a node below nodeCount that has arrived.
  bool hasNode(std::uint32_t index) const { return index < nodeCount && arrived[index]; }

  glink::PathNode nodes[kMaxNodes];  // decoded as they arrive
  NodeEdges edges[kMaxNodes];
  bool arrived[kMaxNodes] = {};
  // Bounds of the received nodes: left = min X, top = max Y, right = max X, bottom = min Y;
  // 0, 0, 100, 100 until the first node arrives.
  std::int32_t left = 0, top = 0, right = 100, bottom = 100;
  bool viewValid = false;
  std::uint32_t nodesReceived = 0;  // index of the last stored node + 1
  std::int32_t scale = 1;           // world units per pixel
  std::int32_t offsetX = 0, offsetY = 0;
  std::uint16_t zoom = kZoomFit;
  MapCameraList cameras;
};

struct CarTable {
  std::uint8_t count = 0;  // at most kMaxCars
  glink::CarEntry entries[kMaxCars];
};

// A label as the link delivers it: at most glink::kLabelReadLength characters.
struct PlayerNames {
  char labels[256][glink::kLabelReadLength + 1] = {};
};

// What the shell does when the model changes (menus, toolbar, the Edit Camera dialog).
class ModelListener {
 public:
  virtual ~ModelListener() = default;
  virtual void showTrackStates() = 0;
  virtual void showNoTrackStates() = 0;
  virtual void showEditOn() = 0;
  virtual void showEditOff() = 0;
  virtual void applyZoomRuleForCars() = 0;
  // The director asks to edit the selected camera; returns when the dialog has closed.
  virtual void openEditCamera() = 0;
  // The link was stopped because the director speaks another version: tell the user.
  virtual void linkVersionMismatch(const char* text, const char* caption) = 0;
};

// The link client's dispatcher hands every checked record to these operations.
class ClientModel : public glink::ClientModelHandlers {
 public:
  ClientModel(plat::Clock& clock, glink::MessageQueue& toDirector);
  ClientModel(const ClientModel&) = delete;
  ClientModel& operator=(const ClientModel&) = delete;

  void setListener(ModelListener* listener) { listener_ = listener; }

  void applyTrack(const glink::TrackMsg& msg) override;
  void applyEditMode(bool on) override;
  void applyCurrentCamera(std::uint16_t index) override;
  void applyEditCamera(std::uint16_t index) override;
  void applyCameraAdded(const glink::CameraMsg& msg) override;
  void applyCameraChanged(const glink::CameraMsg& msg) override;
  void applyCameraDeleted(std::uint16_t index) override;
  void applyCars(const glink::CarTableMsg& msg) override;
  void applyViewPos(const glink::ViewPosMsg& msg) override;
  void applyPlayerLabel(const glink::PlayerLabelMsg& msg) override;
  void applyRaceClock(std::uint32_t ms) override;
  void applyTrackNode(const glink::TrackNodeMsg& msg) override;
  void applyShotReason(const glink::ShotReasonMsg& msg) override { shotReason = msg; }
  // Moves the cars on between car messages: 100 ms after the last one and every 1100 ms after
  // that, each car by half of its previous step.
  void extrapolateCars() override;
  void linkVersionMismatch(const char* text, const char* caption) override;

  void setRedraw() { redraw_.store(1, std::memory_order_relaxed); }
  // The redraw flag, cleared: true when the map needs repainting.
  bool takeRedraw() { return redraw_.exchange(0) != 0; }

  // The label of a PLID (empty when none was reported).
  const char* label(std::uint8_t plid) const { return names.labels[plid]; }
  // The first car of the table in the director's focus, or null.
  const glink::CarEntry* firstFocusCar() const;

  plat::Clock& clock() { return clock_; }
  glink::MessageQueue& toDirector() { return toDirector_; }

  std::unique_ptr<MapTrack> track;
  std::uint32_t trackSerial = 0;  // counts the tracks created, to tell a new one from the old
  CarTable cars;
  std::uint32_t lastCarsTick = 0;
  struct PreviousPosition {
    bool valid = false;
    std::int32_t x = 0, y = 0;
  };
  PreviousPosition previous[256];
  PlayerNames names;
  bool editMode = false;
  bool manualControl = false;
  std::uint32_t raceTime = 0;  // 0: no race clock
  std::uint32_t raceTimeTick = 0;
  std::int32_t viewX = 0, viewY = 0;
  glink::ShotReasonMsg shotReason;  // why the director shows what it shows; empty: not told

 private:
  void requestNodes(std::uint32_t first);

  plat::Clock& clock_;
  glink::MessageQueue& toDirector_;
  ModelListener* listener_ = nullptr;
  std::atomic<std::uint32_t> redraw_{0};
};

}  // namespace gui
