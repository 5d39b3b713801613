#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../platform/temp_dir.h"
#include "gui/dialogs/connect_logic.h"
#include "gui/dialogs/edit_camera_logic.h"
#include "gui_test_support.h"
#include "platform/net.h"
#include "platform/settings_store.h"
#include "platform/thread.h"

namespace gui {
namespace {

using namespace gui::testing;

// A settings key of the tests' own: a registry key on Windows, elsewhere a file in a temporary
// configuration directory (this program's other tests store no settings).
class ConnectTest : public ::testing::Test {
 protected:
  ConnectTest() {
#ifndef _WIN32
    setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
#endif
    key.DeleteKey();
  }
  ~ConnectTest() override { key.DeleteKey(); }

  plat::TempDir config_;
  plat::SettingsKey key{"Software\\MorvaneGuiTest"};
};

TEST_F(ConnectTest, ValuesAsConfirmedAreStoredAndReadBack) {
  ConnectValues v = LoadConnectValues(key);  // nothing stored: the defaults
  EXPECT_STREQ(v.ip, "127.0.0.1");
  EXPECT_EQ(v.port, 32301u);
  EXPECT_EQ(v.remote, 0u);

  ConnectCheck c = CheckConnect(true, "192.168.1.20", "70000");
  ASSERT_EQ(c.message, nullptr);
  EXPECT_EQ(c.address, 0xC0A80114u);
  EXPECT_EQ(c.port, 4464);  // the low 16 bits
  ASSERT_TRUE(StoreConnectValues(key, c.values));
  v = LoadConnectValues(key);
  EXPECT_STREQ(v.ip, "192.168.1.20");
  EXPECT_EQ(v.port, 70000u);  // stored as typed
  EXPECT_EQ(v.remote, 1u);

  // One value missing keeps its default.
  ASSERT_TRUE(key.DeleteKey());
  ASSERT_TRUE(key.OpenWrite());
  ASSERT_TRUE(key.SetU32("Portnumber", 4000));
  ASSERT_TRUE(key.Close());
  v = LoadConnectValues(key);
  EXPECT_STREQ(v.ip, "127.0.0.1");
  EXPECT_EQ(v.port, 4000u);
}

TEST(ConnectCheck, AddressAndPortRefusals) {
  struct Case {
    bool remote;
    const char* ip;
    const char* port;
    const char* message;
  };
  const Case cases[] = {
      {true, "", "32301", "enter an ip address"},
      {true, "localhost", "32301", "no valid ip address"},
      {true, "255.255.255.255", "32301", "no valid ip address"},
      {true, "10.0.0.1", "", "no valid portnumber"},
      {true, "10.0.0.1", "12a", "no valid portnumber"},
      {true, "10.0.0.1", "-1", "no valid portnumber"},
      {true, "10.0.0.1", "4294967296", "no valid portnumber"},
      {false, "", "x", "no valid portnumber"},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(CheckConnect(c.remote, c.ip, c.port).message, c.message) << c.ip << "/" << c.port;
  }

  // Without "remote" any text is kept as typed, and the link goes to this machine.
  ConnectCheck local = CheckConnect(false, "not an address", " 4000 ");
  EXPECT_EQ(local.message, nullptr);
  EXPECT_EQ(local.address, plat::kLoopback);
  EXPECT_EQ(local.port, 4000);
  EXPECT_STREQ(local.values.ip, "not an address");
  EXPECT_EQ(local.values.remote, 0u);

  // The field holds 49 characters; a longer text is cut, never overrun.
  std::string longText(80, '7');
  EXPECT_EQ(std::string(CheckConnect(false, longText.c_str(), "1").values.ip).size(), 49u);
  EXPECT_EQ(CheckConnect(false, "x", "4294967295").port, 0xFFFF);
}

class EditCameraTest : public ::testing::Test {
 protected:
  EditCameraTest() {
    model.applyTrack(TrackNamed("BL1", 1500));
    model.applyCameraAdded(Camera(0, 10, 6553600, -98304, 3, 40));
    model.applyCameraAdded(Camera(1, 90, 1, 2, 80, 100));
    model.applyCurrentCamera(0);
    Drain(out);
  }

  plat::ManualClock clock{1};
  glink::ToDirectorQueue out;
  ClientModel model{clock, out};
};

std::string Fields(const EditCameraSession& s) {
  const EditCameraTexts& t = s.texts();
  return std::string(t.x) + "|" + t.y + "|" + t.height + "|" + t.position + "|" + t.start + "|" +
         t.end + "|" + t.nodesCaption;
}

TEST_F(EditCameraTest, FieldsShowTheSelectedCamera) {
  EditCameraSession s(model);
  EXPECT_TRUE(s.valid());
  EXPECT_EQ(Fields(s), "100.000|-1.500|1.000|10|3|40|Nodes (0..1499)");

  // Without a selected camera the fields stay empty.
  model.applyCameraDeleted(1);
  model.track->cameras.selected = 1;
  EditCameraSession none(model);
  EXPECT_FALSE(none.valid());
  EXPECT_EQ(Fields(none), "||||||");
}

TEST_F(EditCameraTest, OkChecksNodesAndHeightThenSendsTheChange) {
  EditCameraSession s(model);
  const char* const refused[][4] = {
      // start, end, height: message
      {"x", "5", "2.5", "please enter valid node numbers"},
      {"1", "", "2.5", "please enter valid node numbers"},
      {"1500", "5", "2.5", "node number too high"},
      {"0", "1500", "2.5", "node number too high"},
      {"0", "1499", "abc", "please enter a valid value"},
      {"0", "1499", "", "please enter a valid value"},
      {"0", "1499", "1e30", "please enter a valid value"},
      {"0", "1499", "nan", "please enter a valid value"},
  };
  for (const auto& c : refused) {
    EditOutcome o = s.ok(c[0], c[1], c[2]);
    EXPECT_EQ(o.result, EditResult::kRefused) << c[3];
    EXPECT_STREQ(o.message, c[3]);
  }
  EXPECT_TRUE(Drain(out).empty());
  EXPECT_EQ(model.track->cameras.entries[0].startNode, 3);

  EditOutcome o = s.ok("1499", "7", "2.5");
  EXPECT_EQ(o.result, EditResult::kApplied);
  const MapCamera& cam = model.track->cameras.entries[0];  // not re-sorted
  EXPECT_EQ((std::vector<int>{cam.startNode, cam.endNode, cam.height, cam.positionNode}),
            (std::vector<int>{1499, 7, 163840, 10}));
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{Cat({{0x18, 0x00, 0x0D, 0x00, 0x00, 0x00},
                                                 Bytes(8, 0),
                                                 Le32(163840),
                                                 {0xDB, 0x05, 0x07, 0x00, 0x00, 0x00}})}));
  // A negative height cuts toward zero too.
  EXPECT_EQ(s.ok("0", "0", "-0.00001").result, EditResult::kApplied);
  EXPECT_EQ(model.track->cameras.entries[0].height, 0);
}

TEST_F(EditCameraTest, DeleteAsksFirstAndACameraThatMovedOrWentIsFound) {
  EditCameraSession s(model);
  EXPECT_EQ(s.deleteCamera([] { return false; }), DeleteResult::kStayOpen);
  EXPECT_TRUE(Drain(out).empty());
  EXPECT_EQ(s.deleteCamera([] { return true; }), DeleteResult::kDeleted);
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x05, 0x00, 0x0C, 0x00, 0x00}}));
  EXPECT_EQ(model.track->cameras.count, 2);  // the director answers with the deletion
  EXPECT_STREQ(kMsgConfirmDelete, "Do you really want to delete this camera?");

  // Another camera inserted before it: it is now at index 1.
  model.applyCameraAdded(Camera(0, 5, 77, 77));
  EXPECT_EQ(s.ok("1", "2", "3").result, EditResult::kApplied);
  EXPECT_EQ(model.track->cameras.entries[1].startNode, 1);
  std::vector<Bytes> sent = Drain(out);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][4], 1);  // the camera's index now

  // Deleted while the dialog was open: OK and Delete Cam close without touching anything.
  model.applyCameraDeleted(1);
  EXPECT_EQ(s.ok("1", "2", "3").result, EditResult::kGone);
  EXPECT_EQ(s.deleteCamera([] { return true; }), DeleteResult::kGone);
  EXPECT_TRUE(Drain(out).empty());

  // The track replaced, even by one of the same shape: gone.
  EditCameraSession again(model);
  ASSERT_TRUE(again.valid());
  model.applyTrack(glink::TrackMsg{});
  EXPECT_EQ(again.ok("1", "2", "3").result, EditResult::kGone);
  model.applyTrack(TrackNamed("BL1", 1500));
  model.applyCameraAdded(Camera(0, 10, 77, 77));
  model.applyCameraAdded(Camera(1, 5, 6553600, -98304));
  Drain(out);
  EXPECT_EQ(again.ok("1", "2", "3").result, EditResult::kGone);
  EXPECT_TRUE(Drain(out).empty());
}

}  // namespace
}  // namespace gui
