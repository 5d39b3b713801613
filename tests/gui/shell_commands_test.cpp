#include "gui/shell/shell_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "gui_test_support.h"
#include "platform/thread.h"

namespace gui {
namespace {

using namespace gui::testing;

struct FakeHost : ShellHost {
  bool linkRunning() override { return running; }
  bool stopLink() override {
    calls += "stop;";
    if (stopSucceeds) running = false;
    return stopSucceeds;
  }
  bool runConnectDialog() override {
    calls += "connect;";
    if (dialogStarts) running = true;
    return dialogOk;
  }
  void runInfoDialog() override { calls += "info;"; }
  void runEditCameraDialog() override {
    calls += "editdialog;";
    if (nested) nested();
  }
  void closeWindow() override { calls += "close;"; }
  void showMessage(const char* text, const char* caption) override {
    calls += std::string("box:") + text + "/" + caption + ";";
  }

  bool running = false;
  bool stopSucceeds = true;
  bool dialogOk = true;
  bool dialogStarts = true;
  std::function<void()> nested;
  std::string calls;
};

class ShellTest : public ::testing::Test {
 protected:
  void WithTrack(bool cars = true) {
    model.applyTrack(TrackNamed("BL1", 10));
    if (cars) model.applyCars(Cars({Car(4, 0, 0), Car(6, 10, 10, true)}));
    Drain(out);
  }

  plat::ManualClock clock{1};
  glink::ToDirectorQueue out;
  ClientModel model{clock, out};
  FakeUi ui;
  FakeHost host;
  Shell shell{model, ui, host};
};

TEST_F(ShellTest, ZoomInAndOutWalkTheChainsAndMoveTheCheck) {
  WithTrack();
  struct Step {
    int command;
    std::uint16_t zoom;
    int checked;
  };
  const Step steps[] = {
      {IDM_ZOOM_OUT, 0, IDM_ZOOM_FIT},     {IDM_ZOOM_IN, 1000, IDM_ZOOM_1000},
      {IDM_ZOOM_IN, 500, IDM_ZOOM_500},    {IDM_ZOOM_IN, 250, IDM_ZOOM_250},
      {IDM_ZOOM_IN, 250, IDM_ZOOM_250},    {IDM_ZOOM_OUT, 500, IDM_ZOOM_500},
      {IDM_ZOOM_OUT, 1000, IDM_ZOOM_1000}, {IDM_ZOOM_OUT, 0, IDM_ZOOM_FIT},
      {IDM_ZOOM_500, 500, IDM_ZOOM_500},   {IDM_ZOOM_FIT, 0, IDM_ZOOM_FIT},
      {IDM_ZOOM_250, 250, IDM_ZOOM_250},   {IDM_ZOOM_1000, 1000, IDM_ZOOM_1000},
  };
  for (const Step& s : steps) {
    model.takeRedraw();
    EXPECT_TRUE(shell.onCommand(s.command));
    EXPECT_EQ(model.track->zoom, s.zoom) << "after " << s.command;
    EXPECT_EQ(ui.zoomChecks(), std::vector<int>{s.checked}) << "after " << s.command;
    EXPECT_TRUE(model.takeRedraw());  // the map follows at once
  }
  EXPECT_TRUE(Drain(out).empty());
}

TEST_F(ShellTest, ZoomWithoutTrackOnlyMovesTheCheck) {
  shell.onCommand(IDM_ZOOM_500);
  EXPECT_EQ(ui.zoomChecks(), std::vector<int>{IDM_ZOOM_500});
  shell.onCommand(IDM_ZOOM_IN);  // toolbar zoom needs a track
  shell.onCommand(IDM_ZOOM_OUT);
  EXPECT_EQ(ui.zoomChecks(), std::vector<int>{IDM_ZOOM_500});
  EXPECT_FALSE(model.takeRedraw());
}

TEST_F(ShellTest, TrackAndCarStatesFollowTheModel) {
  // A track without cars: edit and manual buttons on, the manual menu item still grayed.
  model.applyTrack(TrackNamed("BL1", 10));
  EXPECT_TRUE(ui.buttonEnabled[IDM_EDIT_CAMERAS]);
  EXPECT_TRUE(ui.buttonEnabled[IDM_MANUAL_CONTROL]);
  EXPECT_TRUE(ui.menuEnabled[IDM_EDIT_CAMERAS]);
  EXPECT_FALSE(ui.menuEnabled[IDM_MANUAL_CONTROL]);
  EXPECT_FALSE(ui.buttonEnabled[IDM_ZOOM_IN]);
  EXPECT_FALSE(ui.menuEnabled[IDM_ZOOM_250]);

  // Cars switch the zoom rule on without checking any zoom item.
  model.applyCars(Cars({Car(1, 0, 0)}));
  for (int id : {IDM_ZOOM_IN, IDM_ZOOM_OUT, IDM_ZOOM_FIT}) EXPECT_TRUE(ui.buttonEnabled[id]);
  for (int id : {IDM_ZOOM_250, IDM_ZOOM_500, IDM_ZOOM_1000, IDM_ZOOM_FIT}) {
    EXPECT_TRUE(ui.menuEnabled[id]);
  }
  EXPECT_TRUE(ui.zoomChecks().empty());
  model.applyTrack(TrackNamed("BL1", 10));
  EXPECT_TRUE(ui.menuEnabled[IDM_MANUAL_CONTROL]);

  // The rule off removes the check; on again does not bring it back.
  shell.onCommand(IDM_ZOOM_500);
  model.applyCars(glink::CarTableMsg{});
  EXPECT_TRUE(ui.zoomChecks().empty());
  EXPECT_FALSE(ui.buttonEnabled[IDM_ZOOM_OUT]);
  EXPECT_FALSE(ui.menuEnabled[IDM_ZOOM_FIT]);
  model.applyCars(Cars({Car(1, 0, 0)}));
  EXPECT_TRUE(ui.zoomChecks().empty());
  EXPECT_EQ(model.track->zoom, 500);  // the rule leaves the zoom value alone
}

TEST_F(ShellTest, EditModeStates) {
  WithTrack();
  shell.onCommand(IDM_ZOOM_250);
  model.applyEditMode(true);
  EXPECT_TRUE(ui.buttonChecked[IDM_EDIT_CAMERAS]);
  EXPECT_TRUE(ui.menuChecked[IDM_EDIT_CAMERAS]);
  EXPECT_FALSE(ui.buttonEnabled[IDM_MANUAL_CONTROL]);
  EXPECT_FALSE(ui.menuEnabled[IDM_MANUAL_CONTROL]);
  EXPECT_FALSE(ui.buttonEnabled[IDM_ZOOM_IN]);
  EXPECT_TRUE(ui.zoomChecks().empty());
  // Cars in edit mode keep the zoom commands off.
  model.applyCars(Cars({Car(1, 0, 0)}));
  EXPECT_FALSE(ui.menuEnabled[IDM_ZOOM_FIT]);

  model.applyEditMode(false);
  EXPECT_FALSE(ui.buttonChecked[IDM_EDIT_CAMERAS]);
  EXPECT_FALSE(ui.menuChecked[IDM_EDIT_CAMERAS]);
  EXPECT_TRUE(ui.buttonEnabled[IDM_MANUAL_CONTROL]);
  EXPECT_TRUE(ui.menuEnabled[IDM_MANUAL_CONTROL]);
  EXPECT_TRUE(ui.buttonEnabled[IDM_ZOOM_IN]);
  EXPECT_EQ(ui.zoomChecks(), std::vector<int>{IDM_ZOOM_FIT});

  // Edit Cameras asks for the opposite of the current mode.
  shell.onCommand(IDM_EDIT_CAMERAS);
  model.applyEditMode(true);
  shell.onCommand(IDM_EDIT_CAMERAS);
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x04, 0x00, 0x11, 0x01}, {0x04, 0x00, 0x11, 0x00}}));
}

TEST_F(ShellTest, NoTrackStatesReleaseAndGrayEverythingTrackBound) {
  WithTrack();
  shell.onCommand(IDM_MANUAL_CONTROL);
  model.applyEditMode(true);
  model.applyTrack(glink::TrackMsg{});
  for (int id : {IDM_EDIT_CAMERAS, IDM_MANUAL_CONTROL}) {
    EXPECT_FALSE(ui.buttonChecked[id]) << id;
    EXPECT_FALSE(ui.menuChecked[id]) << id;
  }
  for (int id : {IDM_EDIT_CAMERAS, IDM_MANUAL_CONTROL, IDM_FRONT_CAM, IDM_INCAR_CAM, IDM_REAR_CAM,
                 IDM_ZOOM_IN, IDM_ZOOM_OUT, IDM_ZOOM_FIT}) {
    EXPECT_FALSE(ui.buttonEnabled[id]) << id;
  }
  for (int id : {IDM_EDIT_CAMERAS, IDM_MANUAL_CONTROL, IDM_FRONT_CAM, IDM_INCAR_CAM, IDM_REAR_CAM,
                 IDM_ZOOM_250, IDM_ZOOM_500, IDM_ZOOM_1000, IDM_ZOOM_FIT}) {
    EXPECT_FALSE(ui.menuEnabled[id]) << id;
  }
  EXPECT_TRUE(ui.menuEnabled[IDM_CONNECT]);
  EXPECT_FALSE(model.manualControl);
}

TEST_F(ShellTest, ManualControlWithoutFocusCarSendsNothingButTakesControl) {
  model.applyTrack(TrackNamed("BL1", 10));
  model.applyCars(Cars({Car(4, 0, 0)}));
  Drain(out);
  shell.onCommand(IDM_MANUAL_CONTROL);
  EXPECT_TRUE(Drain(out).empty());
  EXPECT_TRUE(model.manualControl);
  EXPECT_TRUE(ui.buttonChecked[IDM_MANUAL_CONTROL]);
  EXPECT_TRUE(ui.menuChecked[IDM_MANUAL_CONTROL]);
  for (int id : {IDM_FRONT_CAM, IDM_INCAR_CAM, IDM_REAR_CAM}) {
    EXPECT_TRUE(ui.buttonEnabled[id]);
    EXPECT_TRUE(ui.menuEnabled[id]);
  }
  // The views need a car in focus too.
  shell.onCommand(IDM_FRONT_CAM);
  EXPECT_TRUE(Drain(out).empty());

  shell.onCommand(IDM_MANUAL_CONTROL);  // hands control back: n = 0
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x04, 0x00, 0x0F, 0x00}}));
  EXPECT_FALSE(model.manualControl);
  EXPECT_FALSE(ui.buttonChecked[IDM_MANUAL_CONTROL]);
  for (int id : {IDM_FRONT_CAM, IDM_INCAR_CAM, IDM_REAR_CAM}) {
    EXPECT_FALSE(ui.buttonEnabled[id]);
    EXPECT_FALSE(ui.menuEnabled[id]);
  }
}

TEST_F(ShellTest, ManualControlAndViewsFollowTheFirstCarInFocus) {
  model.applyTrack(TrackNamed("BL1", 10));
  model.applyCars(Cars({Car(4, 0, 0), Car(6, 1, 1, true), Car(9, 2, 2, true)}));
  Drain(out);
  shell.onCommand(IDM_MANUAL_CONTROL);
  shell.onCommand(IDM_FRONT_CAM);
  shell.onCommand(IDM_INCAR_CAM);
  shell.onCommand(IDM_REAR_CAM);
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x05, 0x00, 0x0F, 0x01, 6},
                                            {0x05, 0x00, 0x0F, 0x81, 6},
                                            {0x05, 0x00, 0x0F, 0x41, 6},
                                            {0x05, 0x00, 0x0F, 0xC1, 6}}));
}

TEST_F(ShellTest, ConnectTogglesTheLink) {
  shell.onCommand(IDM_CONNECT);
  EXPECT_EQ(host.calls, "connect;");
  EXPECT_TRUE(ui.buttonChecked[IDM_CONNECT]);
  EXPECT_TRUE(ui.menuChecked[IDM_CONNECT]);

  // A stop that times out changes nothing.
  host.stopSucceeds = false;
  shell.onCommand(IDM_CONNECT);
  EXPECT_TRUE(ui.buttonChecked[IDM_CONNECT]);
  host.stopSucceeds = true;
  shell.onCommand(IDM_CONNECT);
  EXPECT_EQ(host.calls, "connect;stop;stop;");
  EXPECT_FALSE(ui.buttonChecked[IDM_CONNECT]);
  EXPECT_FALSE(ui.menuChecked[IDM_CONNECT]);

  // Cancel, or OK with a thread that could not start, leaves it unchecked.
  host.dialogOk = false;
  host.dialogStarts = false;
  shell.onCommand(IDM_CONNECT);
  host.dialogOk = true;
  shell.onCommand(IDM_CONNECT);
  EXPECT_FALSE(ui.buttonChecked[IDM_CONNECT]);

  // A version mismatch unchecks Connect and tells the user.
  host.dialogStarts = true;
  shell.onCommand(IDM_CONNECT);
  host.calls.clear();
  model.linkVersionMismatch("GUI version does not match Morvane version", "version mismatch");
  EXPECT_FALSE(ui.buttonChecked[IDM_CONNECT]);
  EXPECT_EQ(host.calls, "box:GUI version does not match Morvane version/version mismatch;");
}

TEST_F(ShellTest, OtherCommandsAndTheEditDialog) {
  EXPECT_TRUE(shell.onCommand(IDM_ABOUT));
  EXPECT_TRUE(shell.onCommand(IDM_EXIT));
  EXPECT_FALSE(shell.onCommand(40000));
  EXPECT_EQ(host.calls, "info;close;");

  // A second edit request while the dialog is open only selects.
  WithTrack();
  model.applyCameraAdded(Camera(0, 1));
  model.applyCameraAdded(Camera(1, 2));
  host.calls.clear();
  host.nested = [&] { model.applyEditCamera(0); };
  model.applyEditCamera(1);
  EXPECT_EQ(host.calls, "editdialog;");
  EXPECT_EQ(model.track->cameras.selected, 0);
  host.nested = nullptr;
  model.applyEditCamera(1);
  EXPECT_EQ(host.calls, "editdialog;editdialog;");
}

}  // namespace
}  // namespace gui
