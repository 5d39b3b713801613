// The Edit Camera dialog without its window: the texts it shows for the selected camera, the
// check of the typed values on OK, and the requests it sends (GLM_SET_CAMERA on OK,
// GLM_DELETE_CAMERA after a confirmed Delete Cam).
//
// The dialog stays open while the window goes on applying link messages, so the camera may move,
// be deleted or lose its track under it. An EditCameraSession remembers which camera it was
// opened for (its track, index and position); OK and Delete Cam find that camera again and, when
// it has gone, close without changing or sending anything.
#pragma once

#include <cstdint>
#include <functional>

#include "gui/model/client_model.h"

namespace gui {

struct EditCameraTexts {
  char x[32] = {}, y[32] = {}, height[32] = {};  // metres, "%.3f"
  char position[16] = {}, start[16] = {}, end[16] = {};
  char nodesCaption[32] = {};  // "Nodes (0..%d)"
};

enum class EditResult {
  kRefused,  // message says why; the dialog stays open
  kApplied,  // the camera was changed and the request sent; the dialog ends with OK
  kGone,     // the track or the camera is no longer there; the dialog ends without change
};

enum class DeleteResult { kStayOpen, kDeleted, kGone };

struct EditOutcome {
  EditResult result = EditResult::kRefused;
  const char* message = nullptr;
};

class EditCameraSession {
 public:
  // Opens on the model's selected camera; valid() is false without one (the fields stay empty).
  explicit EditCameraSession(ClientModel& model);

  bool valid() const { return valid_; }
  const EditCameraTexts& texts() const { return texts_; }

  // OK with the texts of the start node, end node and height fields.
  EditOutcome ok(const char* startText, const char* endText, const char* heightText);
  // Delete Cam: asks the user (kMsgConfirmDelete, Yes/No) and on Yes sends the deletion and the
  // dialog ends; on No it stays open. A camera that has gone ends the dialog without asking.
  DeleteResult deleteCamera(const std::function<bool()>& askYes);

 private:
  // The camera the dialog was opened for, at its present index, or -1.
  int find() const;

  ClientModel& model_;
  bool valid_ = false;
  std::uint32_t trackSerial_ = 0;
  int index_ = 0;
  std::int32_t x_ = 0, y_ = 0;
  EditCameraTexts texts_;
};

inline constexpr const char* kMsgBadNodes = "please enter valid node numbers";
inline constexpr const char* kMsgNodeTooHigh = "node number too high";
inline constexpr const char* kMsgBadHeight = "please enter a valid value";
inline constexpr const char* kMsgConfirmDelete = "Do you really want to delete this camera?";

}  // namespace gui
