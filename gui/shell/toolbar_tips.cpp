#include "gui/shell/toolbar_tips.h"

#include "gui/resources/resource_ids.h"

namespace gui {

const char* ToolbarTip(int commandId) {
  switch (commandId) {
    case IDM_CONNECT:
      return "Connect to TV control / disconnect";
    case IDM_EDIT_CAMERAS:
      return "Edit Cameras";
    case IDM_MANUAL_CONTROL:
      return "Manual Control";
    case IDM_ZOOM_IN:
      return "Zoom in";
    case IDM_ZOOM_OUT:
      return "Zoom out";
    case IDM_ZOOM_FIT:
      return "Fit the track";
    case IDM_FRONT_CAM:
      return "Front Cam";
    case IDM_INCAR_CAM:
      return "Incar Cam";
    case IDM_REAR_CAM:
      return "Rear Cam";
    default:
      return nullptr;
  }
}

}  // namespace gui
