#include "director/control/gui_requests.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "link/link_messages.h"

namespace director {

namespace {

constexpr std::uint32_t kNodesPerRequest = 32;

bool NeedsTrack(std::uint8_t type) {
  switch (type) {
    case glink::GLM_PICK_CAMERA:
    case glink::GLM_PICK_CAMERA_EDIT:
    case glink::GLM_DELETE_CAMERA:
    case glink::GLM_SET_CAMERA:
    case glink::GLM_SET_EDIT_MODE:
    case glink::GLM_GET_NODES:
      return true;
    default:
      return false;
  }
}

void SendCamera(InsimLink& link, CameraPositionRecord& packet) {
  SendCameraPosition(link, packet);
  link.MarkSent();
}

void PickCamera(InsimLink& link, const std::uint8_t* record, const ControlParts& p) {
  glink::PickRect rect;
  if (!glink::ReadPickCamera(record, &rect)) return;
  CameraStore& store = p.track->cameras;
  CameraPositionRecord packet;
  if (!store.SelectInRectangle(rect.left, rect.top, rect.right, rect.bottom, &packet)) return;
  SendCamera(link, packet);
  if (glink::RecordType(record) == glink::GLM_PICK_CAMERA_EDIT) {
    p.gui.CameraIndex(glink::GLM_EDIT_CAMERA, store.current);
  }
}

void DeleteCamera(InsimLink& link, const std::uint8_t* record, const ControlParts& p) {
  std::uint16_t index = 0;
  if (!glink::ReadCameraIndex(record, &index)) return;
  CameraPositionRecord packet;
  if (p.track->cameras.Delete(index, &packet)) SendCamera(link, packet);
}

void SetCamera(InsimLink& link, const std::uint8_t* record, const ControlParts& p) {
  glink::SetCameraMsg msg;
  if (!glink::ReadSetCamera(record, &msg)) return;
  CameraPositionRecord packet;
  if (p.track->cameras.Edit(msg.index, msg.z, msg.startNode, msg.endNode, &packet)) {
    SendCamera(link, packet);
  }
}

void FollowCars(InsimLink& link, const std::uint8_t* record, const ControlParts& p) {
  glink::FollowCarsMsg msg;
  if (!glink::ReadFollowCars(record, &msg)) return;
  ManualSelection& manual = p.director.manual;
  manual = ManualSelection{};
  // The selection holds 40 cars, as many as the client's car table; the director never reads
  // past them.
  manual.count = static_cast<std::uint8_t>(msg.count < kMaxManualCars ? msg.count : kMaxManualCars);
  std::memcpy(manual.plids, msg.plids, sizeof(manual.plids));
  // An on-board view needs a car to sit in; without one the request ends manual control.
  manual.viewChoice = manual.count > 0 ? msg.viewChoice : 0;
  if (manual.viewChoice != 0) {
    manual.count = 1;
    if (const char* error = p.services.InstallCustomView(manual.viewChoice, manual.plids[0])) {
      SendText(link, error, true);
      manual.viewChoice = 0;
    }
  }
  if (manual.count == 1) {
    const RaceOrder& order = p.race.raceOrder;
    for (int i = 0; i < order.count; ++i) {
      if (order.ids[i] != manual.plids[0]) continue;
      if (p.state.RaceWithLaps()) {
        p.services.AnnounceDriver(link, p.race.players[manual.plids[0]].name,
                                  static_cast<std::uint8_t>(i + 1));
        return;
      }
      break;
    }
  }
  p.services.AnnounceDriver(link, "", 0);
}

void SetEditMode(InsimLink& link, const std::uint8_t* record, LiveControl& control) {
  bool on = false;
  if (!glink::ReadEditMode(record, &on)) return;
  const bool editing = control.Parts().control.editMode != 0;
  if (on && !editing) {
    control.EnterEditMode(link);
  } else if (!on && editing) {
    control.LeaveEditMode(link);
  }
}

// False when the batch does not fit in the queue to the client yet: the request then stays at the
// head of the request queue and is served on a later pass, once the server has sent what is
// pending. Dropping nodes on a full queue (as on connecting during a big race, when every car's
// join is posted at once) would leave the client's map half loaded for good, since the client asks
// for the next batch only when the last node of one arrives.
bool SendNodes(const std::uint8_t* record, const ControlParts& p) {
  std::uint32_t first = 0;
  if (!glink::ReadGetNodes(record, &first)) return true;
  glink::MessageQueue* q = p.gui.Queue();
  if (q == nullptr) return true;
  const TrackPath& track = *p.track;
  // Counted wide: a first node near the top of the range must not wrap round to node 0.
  const std::uint64_t end =
      std::min<std::uint64_t>(std::uint64_t{first} + kNodesPerRequest, track.nodeCount);
  if (first < end && glink::kQueueSlots - q->pending() < static_cast<int>(end - first)) {
    return false;
  }
  for (std::uint64_t node = first; node < end; ++node) {
    const auto index = static_cast<std::uint32_t>(node);
    glink::PostTrackNode(*q, track.name, index, track.node(index).bytes);
  }
  return true;
}

}  // namespace

void HandleGuiRequests(InsimLink& link, glink::MessageQueue& toDirector, LiveControl& control) {
  const ControlParts& p = control.Parts();
  while (const std::uint8_t* record = toDirector.peek()) {
    const std::uint8_t type = glink::RecordType(record);
    if (!NeedsTrack(type) || p.track) {
      switch (type) {
        case glink::GLM_PICK_CAMERA:
        case glink::GLM_PICK_CAMERA_EDIT:
          PickCamera(link, record, p);
          break;
        case glink::GLM_DELETE_CAMERA:
          DeleteCamera(link, record, p);
          break;
        case glink::GLM_SET_CAMERA:
          SetCamera(link, record, p);
          break;
        case glink::GLM_FOLLOW_CARS:
          FollowCars(link, record, p);
          break;
        case glink::GLM_SET_EDIT_MODE:
          SetEditMode(link, record, control);
          break;
        case glink::GLM_GET_NODES:
          if (!SendNodes(record, p)) return;  // asked again on the next pass
          break;
        default:
          break;
      }
    }
    toDirector.release();
  }
}

}  // namespace director
