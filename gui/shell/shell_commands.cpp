#include "gui/shell/shell_commands.h"

#include "gui/resources/resource_ids.h"
#include "link/link_messages.h"

namespace gui {

int ZoomItem(std::uint16_t zoom) {
  switch (zoom) {
    case 250:
      return IDM_ZOOM_250;
    case 500:
      return IDM_ZOOM_500;
    case 1000:
      return IDM_ZOOM_1000;
    default:
      return IDM_ZOOM_FIT;
  }
}

Shell::Shell(ClientModel& model, CommandUi& ui, ShellHost& host)
    : model_(model), ui_(ui), host_(host) {
  model_.setListener(this);
}

bool Shell::onCommand(int id) {
  switch (id) {
    case IDM_ABOUT:
      host_.runInfoDialog();
      return true;
    case IDM_EXIT:
      host_.closeWindow();
      return true;
    case IDM_CONNECT:
      connect();
      return true;
    case IDM_EDIT_CAMERAS:
      glink::PostEditMode(model_.toDirector(), glink::GLM_SET_EDIT_MODE, !model_.editMode);
      return true;
    case IDM_MANUAL_CONTROL:
      toggleManualControl();
      return true;
    case IDM_ZOOM_250:
      setZoom(250, id);
      return true;
    case IDM_ZOOM_500:
      setZoom(500, id);
      return true;
    case IDM_ZOOM_1000:
      setZoom(1000, id);
      return true;
    case IDM_ZOOM_FIT:
      setZoom(kZoomFit, id);
      return true;
    case IDM_ZOOM_OUT:
      zoomOut();
      return true;
    case IDM_ZOOM_IN:
      zoomIn();
      return true;
    case IDM_FRONT_CAM:
      viewRequest(glink::kViewFront);
      return true;
    case IDM_INCAR_CAM:
      viewRequest(glink::kViewIncar);
      return true;
    case IDM_REAR_CAM:
      viewRequest(glink::kViewRear);
      return true;
    default:
      return false;
  }
}

void Shell::connect() {
  if (host_.linkRunning()) {
    // A stop that times out leaves everything as it is; the user may try again.
    if (host_.stopLink()) ShowConnected(ui_, false);
    return;
  }
  if (host_.runConnectDialog() && host_.linkRunning()) ShowConnected(ui_, true);
}

void Shell::afterDispatch() {
  // A thread that outlived a timed-out stop has now ended: the link is down, so Connect is
  // released as after any other stop instead of staying pressed over a dead link.
  if (host_.releaseEndedLink()) ShowConnected(ui_, false);
}

void Shell::linkVersionMismatch(const char* text, const char* caption) {
  ShowConnected(ui_, false);
  host_.showMessage(text, caption);
}

void Shell::toggleManualControl() {
  if (!model_.manualControl) {
    viewRequest(glink::kViewNone);
    takeManualControl();
    return;
  }
  glink::PostFollowCars(model_.toDirector(), glink::kViewNone, 0, nullptr);
  ShowManualOffStates(ui_);
  model_.manualControl = false;
}

void Shell::takeManualControl() {
  ShowManualOnStates(ui_);
  model_.manualControl = true;
}

void Shell::viewRequest(std::uint8_t mode) {
  const glink::CarEntry* car = model_.firstFocusCar();
  if (car == nullptr) return;
  std::uint8_t plid = car->plid;
  glink::PostFollowCars(model_.toDirector(), mode, 1, &plid);
}

void Shell::setZoom(std::uint16_t zoom, int itemId) {
  if (model_.track) {
    model_.track->zoom = zoom;
    model_.setRedraw();
  }
  MoveZoomCheck(ui_, itemId);
}

void Shell::zoomIn() {
  if (!model_.track) return;
  switch (model_.track->zoom) {
    case kZoomFit:
      setZoom(1000, IDM_ZOOM_1000);
      break;
    case 1000:
      setZoom(500, IDM_ZOOM_500);
      break;
    default:  // 500 and 250
      setZoom(250, IDM_ZOOM_250);
      break;
  }
}

void Shell::zoomOut() {
  if (!model_.track) return;
  switch (model_.track->zoom) {
    case 250:
      setZoom(500, IDM_ZOOM_500);
      break;
    case 500:
      setZoom(1000, IDM_ZOOM_1000);
      break;
    default:  // 1000 and Fit
      setZoom(kZoomFit, IDM_ZOOM_FIT);
      break;
  }
}

void Shell::showTrackStates() { ShowTrackStates(ui_, model_.editMode, model_.cars.count > 0); }

void Shell::showNoTrackStates() { ShowNoTrackStates(ui_); }

void Shell::showEditOn() { ShowEditOnStates(ui_); }

void Shell::showEditOff() { ShowEditOffStates(ui_); }

void Shell::applyZoomRuleForCars() { ShowCarsStates(ui_, model_.editMode, model_.cars.count > 0); }

void Shell::openEditCamera() {
  // The dialog's own message loop keeps applying link messages; a second request while it is
  // open only moves the selection instead of stacking another dialog.
  if (editDialogOpen_) return;
  editDialogOpen_ = true;
  host_.runEditCameraDialog();
  editDialogOpen_ = false;
}

}  // namespace gui
