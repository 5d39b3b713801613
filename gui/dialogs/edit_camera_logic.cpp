#include "gui/dialogs/edit_camera_logic.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "gui/dialogs/connect_logic.h"
#include "link/link_messages.h"

namespace gui {

namespace {

constexpr double kMetresPerUnit = 1.52587890625e-05;  // 1 / 65536
constexpr int kHeightTextLength = 49;

void Metres(char* out, std::size_t size, std::int32_t units) {
  std::snprintf(out, size, "%.3f", units * kMetresPerUnit);
}

}  // namespace

EditCameraSession::EditCameraSession(ClientModel& model) : model_(model) {
  const MapTrack* track = model.track.get();
  if (track == nullptr) return;
  const MapCamera* cam = track->cameras.current();
  if (cam == nullptr) return;
  valid_ = true;
  trackSerial_ = model.trackSerial;
  index_ = track->cameras.selected;
  x_ = cam->x;
  y_ = cam->y;
  Metres(texts_.x, sizeof texts_.x, cam->x);
  Metres(texts_.y, sizeof texts_.y, cam->y);
  Metres(texts_.height, sizeof texts_.height, cam->height);
  std::snprintf(texts_.position, sizeof texts_.position, "%u", cam->positionNode);
  std::snprintf(texts_.start, sizeof texts_.start, "%u", cam->startNode);
  std::snprintf(texts_.end, sizeof texts_.end, "%u", cam->endNode);
  std::snprintf(texts_.nodesCaption, sizeof texts_.nodesCaption, "Nodes (0..%d)",
                static_cast<int>(track->nodeCount) - 1);
}

int EditCameraSession::find() const {
  // The camera must still be where it was, or where a re-sort or an insertion moved it to; it is
  // known by its position, which only the director's move of a camera changes.
  const MapTrack* track = model_.track.get();
  if (!valid_ || track == nullptr || model_.trackSerial != trackSerial_) return -1;
  const MapCameraList& list = track->cameras;
  if (index_ < list.count && list.entries[index_].x == x_ && list.entries[index_].y == y_) {
    return index_;
  }
  for (int i = 0; i < list.count; ++i) {
    if (list.entries[i].x == x_ && list.entries[i].y == y_) return i;
  }
  return -1;
}

EditOutcome EditCameraSession::ok(const char* startText, const char* endText,
                                  const char* heightText) {
  EditOutcome out;
  int index = find();
  if (index < 0) {
    out.result = EditResult::kGone;
    return out;
  }
  MapTrack& track = *model_.track;
  std::uint32_t start = 0, end = 0;
  if (!ParseUnsigned(startText, &start) || !ParseUnsigned(endText, &end)) {
    out.message = kMsgBadNodes;
    return out;
  }
  if (start >= track.nodeCount || end >= track.nodeCount) {
    out.message = kMsgNodeTooHigh;
    return out;
  }
  char text[kHeightTextLength + 1] = {};
  if (heightText != nullptr) std::memcpy(text, heightText, strnlen(heightText, kHeightTextLength));
  float metres = 0;
  // A height beyond what 32-bit world units hold (about 32767 m) is no valid value either.
  if (std::sscanf(text, "%f", &metres) != 1 || !std::isfinite(metres) ||
      std::fabs(static_cast<double>(metres) * 65536.0) >= 2147483648.0) {
    out.message = kMsgBadHeight;
    return out;
  }
  MapCamera& cam = track.cameras.entries[index];
  cam.startNode = static_cast<std::uint16_t>(start);
  cam.endNode = static_cast<std::uint16_t>(end);
  cam.height = static_cast<std::int32_t>(metres * 65536.0f);
  glink::SetCameraMsg msg;
  msg.index = static_cast<std::uint16_t>(index);
  msg.z = cam.height;
  msg.startNode = cam.startNode;
  msg.endNode = cam.endNode;
  glink::PostSetCamera(model_.toDirector(), msg);
  model_.setRedraw();
  out.result = EditResult::kApplied;
  return out;
}

DeleteResult EditCameraSession::deleteCamera(const std::function<bool()>& askYes) {
  if (find() < 0) return DeleteResult::kGone;
  if (!askYes()) return DeleteResult::kStayOpen;
  // The answer came from a nested message loop that kept applying link messages.
  int index = find();
  if (index < 0) return DeleteResult::kGone;
  glink::PostCameraIndex(model_.toDirector(), glink::GLM_DELETE_CAMERA,
                         static_cast<std::uint16_t>(index));
  return DeleteResult::kDeleted;
}

}  // namespace gui
