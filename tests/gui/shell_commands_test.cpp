#include "gui/shell/shell_commands.h"

#include <gtest/gtest.h>

#include <functional>
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
  bool releaseEndedLink() override {
    if (!running || !threadEnded) return false;
    running = false;
    return true;
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

  bool running = false, stopSucceeds = true, threadEnded = false;
  bool dialogOk = true, dialogStarts = true;  // the Connect dialog's answer and its link start
  std::function<void()> nested;
  std::string calls;
};

class ShellTest : public ::testing::Test {
 protected:
  std::string Checked() {
    std::string s = ui.states();
    return s.substr(s.find("checked"));
  }

  plat::ManualClock clock{1};
  glink::ToDirectorQueue out;
  ClientModel model{clock, out};
  FakeUi ui;
  FakeHost host;
  Shell shell{model, ui, host};
};

TEST_F(ShellTest, ZoomInAndOutWalkTheChainsAndMoveTheCheck) {
  // Without a track a zoom item only moves the check, and the toolbar's zoom does nothing.
  shell.onCommand(IDM_ZOOM_500);
  shell.onCommand(IDM_ZOOM_IN);
  EXPECT_EQ(Checked(), "checked[500]");
  EXPECT_FALSE(model.takeRedraw());

  model.applyTrack(TrackNamed("BL1", 10));
  model.applyCars(Cars({Car(4, 0, 0)}));
  const std::pair<int, const char*> steps[] = {
      {IDM_ZOOM_OUT, "fit"},  {IDM_ZOOM_IN, "1000"}, {IDM_ZOOM_IN, "500"},
      {IDM_ZOOM_IN, "250"},   {IDM_ZOOM_IN, "250"},  {IDM_ZOOM_OUT, "500"},
      {IDM_ZOOM_OUT, "1000"}, {IDM_ZOOM_OUT, "fit"}, {IDM_ZOOM_500, "500"},
      {IDM_ZOOM_FIT, "fit"},  {IDM_ZOOM_250, "250"}, {IDM_ZOOM_1000, "1000"}};
  for (const auto& [command, zoom] : steps) {
    model.takeRedraw();
    EXPECT_TRUE(shell.onCommand(command));
    EXPECT_EQ(model.track->zoom ? std::to_string(model.track->zoom) : "fit", zoom) << command;
    EXPECT_EQ(Checked(), std::string("checked[") + zoom + "]") << command;
    EXPECT_TRUE(model.takeRedraw());  // the map follows at once
  }
  EXPECT_EQ(Drain(out).size(), 1u);  // the node request alone
}

TEST_F(ShellTest, CommandStatesFollowTrackCarsEditModeAndManualControl) {
  const glink::CarTableMsg oneCar = Cars({Car(4, 0, 0)});
  struct Step {
    std::function<void()> act;
    const char* states;
  };
  const Step steps[] = {
      // A track without cars: the manual menu item stays grayed, no zoom.
      {[&] { model.applyTrack(TrackNamed("BL1", 10)); },
       "tb[connect edit manual] pressed[] menu[connect edit front incar rear] checked[]"},
      // Cars switch the zoom rule on without checking a zoom item.
      {[&] { model.applyCars(oneCar); },
       "tb[connect edit manual in out fit] pressed[] "
       "menu[connect edit 250 500 1000 fit front incar rear] checked[]"},
      {[&] { model.applyTrack(TrackNamed("BL1", 10)); },
       "tb[connect edit manual in out fit] pressed[] "
       "menu[connect edit manual 250 500 1000 fit front incar rear] checked[]"},
      {[&] { shell.onCommand(IDM_ZOOM_500); },
       "tb[connect edit manual in out fit] pressed[] "
       "menu[connect edit manual 250 500 1000 fit front incar rear] checked[500]"},
      // The rule off removes the check; on again does not bring it back.
      {[&] { model.applyCars(glink::CarTableMsg{}); },
       "tb[connect edit manual] pressed[] menu[connect edit manual front incar rear] checked[]"},
      {[&] { model.applyCars(oneCar); },
       "tb[connect edit manual in out fit] pressed[] "
       "menu[connect edit manual 250 500 1000 fit front incar rear] checked[]"},
      {[&] { model.applyEditMode(true); },
       "tb[connect edit] pressed[edit] menu[connect edit front incar rear] checked[edit]"},
      {[&] { model.applyCars(oneCar); },  // no zoom in edit mode
       "tb[connect edit] pressed[edit] menu[connect edit front incar rear] checked[edit]"},
      {[&] { model.applyEditMode(false); },
       "tb[connect edit manual in out fit] pressed[] "
       "menu[connect edit manual 250 500 1000 fit front incar rear] checked[fit]"},
      {[&] { shell.onCommand(IDM_MANUAL_CONTROL); },
       "tb[connect edit manual in out fit front incar rear] pressed[manual] "
       "menu[connect edit manual 250 500 1000 fit front incar rear] checked[manual fit]"},
      {[&] { shell.onCommand(IDM_MANUAL_CONTROL); },
       "tb[connect edit manual in out fit] pressed[] "
       "menu[connect edit manual 250 500 1000 fit] checked[fit]"},
      {[&] { shell.onCommand(IDM_MANUAL_CONTROL); },
       "tb[connect edit manual in out fit front incar rear] pressed[manual] "
       "menu[connect edit manual 250 500 1000 fit front incar rear] checked[manual fit]"},
      {[&] { model.applyEditMode(true); },
       "tb[connect edit front incar rear] pressed[edit manual] "
       "menu[connect edit front incar rear] checked[edit manual]"},
      // No track: everything bound to it released and grayed.
      {[&] { model.applyTrack(glink::TrackMsg{}); },
       "tb[connect] pressed[] menu[connect] checked[]"},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(ui.states(), s.states);
  }
  EXPECT_FALSE(model.manualControl);
  EXPECT_EQ(model.track, nullptr);
}

TEST_F(ShellTest, RequestsOfEditCamerasManualControlAndViews) {
  model.applyTrack(TrackNamed("BL1", 10));
  model.applyCars(Cars({Car(4, 0, 0)}));
  Drain(out);
  // Without a car in focus: taking control sends nothing, nor do the views; the release does.
  shell.onCommand(IDM_MANUAL_CONTROL);
  EXPECT_TRUE(model.manualControl);
  shell.onCommand(IDM_FRONT_CAM);
  shell.onCommand(IDM_MANUAL_CONTROL);
  EXPECT_FALSE(model.manualControl);
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x04, 0x00, 0x0F, 0x00}}));

  // With cars in focus, the first of them; then Edit Cameras asks for the opposite mode.
  model.applyCars(Cars({Car(4, 0, 0), Car(6, 1, 1, true), Car(9, 2, 2, true)}));
  for (int id :
       {IDM_MANUAL_CONTROL, IDM_FRONT_CAM, IDM_INCAR_CAM, IDM_REAR_CAM, IDM_EDIT_CAMERAS}) {
    shell.onCommand(id);
  }
  model.applyEditMode(true);
  shell.onCommand(IDM_EDIT_CAMERAS);
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x05, 0x00, 0x0F, 0x01, 6},
                                            {0x05, 0x00, 0x0F, 0x81, 6},
                                            {0x05, 0x00, 0x0F, 0x41, 6},
                                            {0x05, 0x00, 0x0F, 0xC1, 6},
                                            {0x04, 0x00, 0x11, 0x01},
                                            {0x04, 0x00, 0x11, 0x00}}));
}

TEST_F(ShellTest, ConnectTogglesTheLink) {
  shell.onCommand(IDM_CONNECT);
  EXPECT_EQ(ui.states(),
            "tb[connect] pressed[connect] menu[connect front incar rear] checked[connect]");

  // A stop that times out changes nothing, until the thread is seen to have ended.
  host.stopSucceeds = false;
  shell.onCommand(IDM_CONNECT);
  shell.afterDispatch();
  EXPECT_EQ(Checked(), "checked[connect]");
  host.threadEnded = true;
  shell.afterDispatch();
  EXPECT_EQ(ui.states(), "tb[connect] pressed[] menu[connect front incar rear] checked[]");
  host.stopSucceeds = true;
  shell.onCommand(IDM_CONNECT);
  shell.onCommand(IDM_CONNECT);
  EXPECT_EQ(host.calls, "connect;stop;connect;stop;");
  EXPECT_EQ(Checked(), "checked[]");

  // Cancel, or OK with a thread that could not start, leaves it unchecked.
  host.dialogOk = false;
  host.dialogStarts = false;
  shell.onCommand(IDM_CONNECT);
  host.dialogOk = true;
  shell.onCommand(IDM_CONNECT);
  EXPECT_EQ(Checked(), "checked[]");

  // A version mismatch unchecks Connect and tells the user.
  host.dialogStarts = true;
  shell.onCommand(IDM_CONNECT);
  host.calls.clear();
  model.linkVersionMismatch("GUI version does not match Morvane version", "version mismatch");
  EXPECT_EQ(ui.states(), "tb[connect] pressed[] menu[connect front incar rear] checked[]");
  EXPECT_EQ(host.calls, "box:GUI version does not match Morvane version/version mismatch;");
}

TEST_F(ShellTest, OtherCommandsAndTheEditDialog) {
  EXPECT_TRUE(shell.onCommand(IDM_ABOUT));
  EXPECT_TRUE(shell.onCommand(IDM_EXIT));
  EXPECT_FALSE(shell.onCommand(40000));
  EXPECT_EQ(host.calls, "info;close;");

  // A second edit request while the dialog is open only selects.
  model.applyTrack(TrackNamed("BL1", 10));
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
