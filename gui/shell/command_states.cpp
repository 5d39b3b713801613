#include "gui/shell/command_states.h"

#include <initializer_list>

#include "gui/resources/resource_ids.h"

namespace gui {

namespace {

constexpr int kZoomItems[] = {IDM_ZOOM_250, IDM_ZOOM_500, IDM_ZOOM_1000, IDM_ZOOM_FIT};
constexpr int kZoomButtons[] = {IDM_ZOOM_IN, IDM_ZOOM_OUT, IDM_ZOOM_FIT};
constexpr int kViewCommands[] = {IDM_FRONT_CAM, IDM_INCAR_CAM, IDM_REAR_CAM};

}  // namespace

void ZoomRule(CommandUi& ui, bool on) {
  if (on) {
    for (int id : kZoomButtons) ui.enableButton(id, true);
    for (int id : kZoomItems) ui.enableMenuItem(id, true);
    return;
  }
  for (int id : kZoomItems) ui.checkMenuItem(id, false);
  for (int id : kZoomButtons) ui.enableButton(id, false);
  for (int id : kZoomItems) ui.enableMenuItem(id, false);
}

void MoveZoomCheck(CommandUi& ui, int itemId) {
  for (int id : kZoomItems) ui.checkMenuItem(id, false);
  ui.checkMenuItem(itemId, true);
}

void ShowTrackStates(CommandUi& ui, bool editMode, bool haveCars) {
  ui.enableButton(IDM_EDIT_CAMERAS, true);
  ui.enableButton(IDM_MANUAL_CONTROL, true);
  ui.enableMenuItem(IDM_EDIT_CAMERAS, true);
  ui.enableMenuItem(IDM_MANUAL_CONTROL, !editMode && haveCars);
  ZoomRule(ui, !editMode && haveCars);
}

void ShowNoTrackStates(CommandUi& ui) {
  for (int id : {IDM_EDIT_CAMERAS, IDM_MANUAL_CONTROL}) {
    ui.checkButton(id, false);
    ui.checkMenuItem(id, false);
  }
  for (int id :
       {IDM_EDIT_CAMERAS, IDM_MANUAL_CONTROL, IDM_FRONT_CAM, IDM_INCAR_CAM, IDM_REAR_CAM}) {
    ui.enableButton(id, false);
    ui.enableMenuItem(id, false);
  }
  ZoomRule(ui, false);
}

void ShowEditOnStates(CommandUi& ui) {
  ui.checkButton(IDM_EDIT_CAMERAS, true);
  ui.enableButton(IDM_MANUAL_CONTROL, false);
  ui.checkMenuItem(IDM_EDIT_CAMERAS, true);
  ui.enableMenuItem(IDM_MANUAL_CONTROL, false);
  ZoomRule(ui, false);
}

void ShowEditOffStates(CommandUi& ui) {
  ui.checkButton(IDM_EDIT_CAMERAS, false);
  ui.enableButton(IDM_MANUAL_CONTROL, true);
  ui.checkMenuItem(IDM_EDIT_CAMERAS, false);
  ui.enableMenuItem(IDM_MANUAL_CONTROL, true);
  ZoomRule(ui, true);
  ui.checkMenuItem(IDM_ZOOM_FIT, true);
}

void ShowCarsStates(CommandUi& ui, bool editMode, bool haveCars) {
  ZoomRule(ui, !editMode && haveCars);
}

void ShowManualOnStates(CommandUi& ui) {
  ui.checkButton(IDM_MANUAL_CONTROL, true);
  ui.checkMenuItem(IDM_MANUAL_CONTROL, true);
  for (int id : kViewCommands) {
    ui.enableButton(id, true);
    ui.enableMenuItem(id, true);
  }
}

void ShowManualOffStates(CommandUi& ui) {
  ui.checkButton(IDM_MANUAL_CONTROL, false);
  ui.checkMenuItem(IDM_MANUAL_CONTROL, false);
  for (int id : kViewCommands) {
    ui.enableButton(id, false);
    ui.enableMenuItem(id, false);
  }
}

void ShowConnected(CommandUi& ui, bool connected) {
  ui.checkButton(IDM_CONNECT, connected);
  ui.checkMenuItem(IDM_CONNECT, connected);
}

}  // namespace gui
