// The main window's commands and the command states that follow the model, without any window
// system: the Win32 window procedure hands its command ids to Shell::onCommand, and the model's
// listener calls land here too.
//
// ShellHost is what the window program provides: the link (running, stop), the dialogs, closing
// the window and repainting the map. Requests to the director go into the model's outgoing queue
// and are dropped when it is full. A zoom change repaints the map at once.
#pragma once

#include <cstdint>

#include "gui/model/client_model.h"
#include "gui/shell/command_states.h"

namespace gui {

class ShellHost {
 public:
  virtual ~ShellHost() = default;
  virtual bool linkRunning() = 0;
  // Stops the link (up to 3000 ms); false when the communication thread did not end in time.
  virtual bool stopLink() = 0;
  // Releases a communication thread that has ended after a stop that timed out; true when one was
  // released.
  virtual bool releaseEndedLink() = 0;
  // The Connect dialog; true when it ended with OK.
  virtual bool runConnectDialog() = 0;
  virtual void runInfoDialog() = 0;
  virtual void runEditCameraDialog() = 0;
  virtual void closeWindow() = 0;
  // A message box with the given text and caption, no icon.
  virtual void showMessage(const char* text, const char* caption) = 0;
};

class Shell : public ModelListener {
 public:
  Shell(ClientModel& model, CommandUi& ui, ShellHost& host);

  // Carries out a menu, toolbar or accelerator command; false for an id that is not one.
  bool onCommand(int id);
  // A pick of cars on the map: manual-on states and manual control.
  void takeManualControl();
  // The window timer's tick, after the link's records have been applied.
  void afterDispatch();

  // ModelListener
  void showTrackStates() override;
  void showNoTrackStates() override;
  void showEditOn() override;
  void showEditOff() override;
  void applyZoomRuleForCars() override;
  void openEditCamera() override;
  void linkVersionMismatch(const char* text, const char* caption) override;

 private:
  void connect();
  void toggleManualControl();
  void setZoom(std::uint16_t zoom, int itemId);
  void zoomIn();
  void zoomOut();
  // GLM_FOLLOW_CARS for the first car in focus with view mode m; nothing without one.
  void viewRequest(std::uint8_t mode);

  ClientModel& model_;
  CommandUi& ui_;
  ShellHost& host_;
  bool editDialogOpen_ = false;
};

// The zoom item that shows a zoom value (250, 500, 1000 or Fit).
int ZoomItem(std::uint16_t zoom);

}  // namespace gui
