// Posting to the GUI client, only while GUI access is on.
//
// Every module of the InSim thread that tells the GUI client something goes through one GuiPost:
// with GUI access off nothing is queued at all, and a full queue drops the record as the link
// does everywhere. The GUI access setting is read at each post, since the dialog may change it
// between runs of the thread.
#pragma once

#include <cstdint>

#include "director/app/settings.h"
#include "link/message_queue.h"
#include "link/link_messages.h"

namespace director {

class GuiPost {
 public:
  GuiPost(glink::MessageQueue& queue, const Settings& settings)
      : queue_(queue), settings_(settings) {}

  bool On() const { return settings_.guiAccess != 0; }

  void ViewPos(std::int32_t x, std::int32_t y) {
    if (On()) glink::PostViewPos(queue_, x, y);
  }
  void PlayerLabel(std::uint8_t plid, const char* text) {
    if (On()) glink::PostPlayerLabel(queue_, plid, text);
  }
  void PlayerLabelClear() {
    if (On()) glink::PostPlayerLabelClear(queue_);
  }
  void RaceClock(std::uint32_t ms) {
    if (On()) glink::PostRaceClock(queue_, ms);
  }
  void Track(const char* name, std::uint32_t nodeCount, std::uint32_t finishNode) {
    if (On()) glink::PostTrack(queue_, name, nodeCount, finishNode);
  }
  void NoTrack() {
    if (On()) glink::PostNoTrack(queue_);
  }
  // GLM_CURRENT_CAMERA, GLM_CAMERA_DELETED and the other index messages.
  void CameraIndex(std::uint8_t type, std::uint16_t index) {
    if (On()) glink::PostCameraIndex(queue_, type, index);
  }
  // GLM_CAMERA_ADDED or GLM_CAMERA_CHANGED.
  void Camera(std::uint8_t type, const glink::CameraMsg& camera) {
    if (On()) glink::PostCamera(queue_, type, camera);
  }

  // The queue itself, for modules that fill records in place; null while GUI access is off.
  glink::MessageQueue* Queue() { return On() ? &queue_ : nullptr; }

 private:
  glink::MessageQueue& queue_;
  const Settings& settings_;
};

}  // namespace director
