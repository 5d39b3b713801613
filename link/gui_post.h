// Posting to the GUI client, only while GUI access is on.
//
// Every module of the InSim thread that tells the GUI client something goes through one GuiPost:
// with GUI access off nothing is queued at all, and a full queue drops the record as the link
// does everywhere. The GUI access setting is read at each post, since the dialog may change it
// between runs of the thread.
#pragma once

#include <cstdint>

#include "link/link_messages.h"
#include "link/message_queue.h"

namespace glink {

class GuiPost {
 public:
  // guiAccess is the setting itself, read at each post.
  GuiPost(MessageQueue& queue, const std::uint8_t& guiAccess)
      : queue_(queue), guiAccess_(guiAccess) {}

  bool On() const { return guiAccess_ != 0; }

  void ViewPos(std::int32_t x, std::int32_t y) {
    if (On()) PostViewPos(queue_, x, y);
  }
  void PlayerLabel(std::uint8_t plid, const char* text) {
    if (On()) PostPlayerLabel(queue_, plid, text);
  }
  void ShotReason(const char* text) {
    if (On()) PostShotReason(queue_, text);
  }
  void PlayerLabelClear() {
    if (On()) PostPlayerLabelClear(queue_);
  }
  void RaceClock(std::uint32_t ms) {
    if (On()) PostRaceClock(queue_, ms);
  }
  void Track(const char* name, std::uint32_t nodeCount, std::uint32_t finishNode) {
    if (On()) PostTrack(queue_, name, nodeCount, finishNode);
  }
  void NoTrack() {
    if (On()) PostNoTrack(queue_);
  }
  // GLM_CURRENT_CAMERA, GLM_CAMERA_DELETED and the other index messages.
  void CameraIndex(std::uint8_t type, std::uint16_t index) {
    if (On()) PostCameraIndex(queue_, type, index);
  }
  // GLM_CAMERA_ADDED or GLM_CAMERA_CHANGED.
  void Camera(std::uint8_t type, const CameraMsg& camera) {
    if (On()) PostCamera(queue_, type, camera);
  }

  // The queue itself, for modules that fill records in place; null while GUI access is off.
  MessageQueue* Queue() { return On() ? &queue_ : nullptr; }

 private:
  MessageQueue& queue_;
  const std::uint8_t& guiAccess_;
};

}  // namespace glink
