// The main window's extras around its specified behaviour: the link's state in the title, the
// toolbar's tooltips, the pick radius option and where dialogs open.
#include <gtest/gtest.h>

#include <string>

#include "gui/dialogs/dialog_placement.h"
#include "gui/resources/resource_ids.h"
#include "gui/shell/link_title.h"
#include "gui/shell/toolbar_tips.h"
#include "gui/shell/view_options.h"
#include "platform/settings_store.h"

namespace gui {
namespace {

using glink::LinkPhase;

TEST(LinkTitle, SaysWhereTheLinkStandsAndIsPlainWhileStopped) {
  const std::uint32_t ip = 0xC0A8010Au;  // 192.168.1.10
  struct Case {
    LinkPhase phase;
    bool linked;
    std::uint32_t ms;
    const char* title;
  };
  const Case cases[] = {
      {LinkPhase::kStopped, false, 0, "Morvane GUI"},
      {LinkPhase::kConnecting, false, 5000, "Morvane GUI - connecting to 192.168.1.10:32301"},
      {LinkPhase::kNoDirector, false, 0,
       "Morvane GUI - no director at 192.168.1.10:32301, trying again"},
      {LinkPhase::kConnected, true, 0, "Morvane GUI - connected to 192.168.1.10:32301"},
      {LinkPhase::kConnected, false, 999, "Morvane GUI - connecting to 192.168.1.10:32301"},
      {LinkPhase::kConnected, false, 1000,
       "Morvane GUI - waiting for the director at 192.168.1.10:32301"},
      {LinkPhase::kClosedByDirector, false, 0,
       "Morvane GUI - the director closed the link, reconnecting to 192.168.1.10:32301"},
      {LinkPhase::kBroken, false, 0,
       "Morvane GUI - the link to 192.168.1.10:32301 broke off, reconnecting"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinkTitle("Morvane GUI", LinkStatus{c.phase, c.linked, ip, 32301, c.ms}), c.title);
  }
}

// The director's reason for its shot follows the address while linked, and only then.
TEST(LinkTitle, ShowsTheShotReasonWhileLinked) {
  const LinkStatus linked{LinkPhase::kConnected, true, 0x7F000001u, 32301, 0};
  EXPECT_EQ(LinkTitle("Morvane GUI", linked, "battle for P3, 0.4 s"),
            "Morvane GUI - connected to 127.0.0.1:32301 - battle for P3, 0.4 s");
  EXPECT_EQ(LinkTitle("Morvane GUI", linked, ""), "Morvane GUI - connected to 127.0.0.1:32301");
  const LinkStatus broken{LinkPhase::kBroken, false, 0x7F000001u, 32301, 0};
  EXPECT_EQ(LinkTitle("Morvane GUI", broken, "hold"),
            "Morvane GUI - the link to 127.0.0.1:32301 broke off, reconnecting");
}

TEST(LinkTitle, FollowsTheClientThroughAConnectionThatNeverLinks) {
  plat::ManualClock clock(5000);
  glink::LinkClient link(clock);
  link.SetServer(plat::kLoopback, 1);
  EXPECT_EQ(LinkTitle("T", StatusOf(link, clock.Now())), "T");
  const LinkStatus s = StatusOf(link, clock.Now() + 10);
  EXPECT_EQ(s.ip, plat::kLoopback);
  EXPECT_EQ(s.port, 1);
  EXPECT_FALSE(s.linked);
}

TEST(ToolbarTip, NamesEveryButtonsCommandAndNothingElse) {
  const int buttons[] = {IDM_CONNECT,   IDM_EDIT_CAMERAS, IDM_MANUAL_CONTROL,
                         IDM_ZOOM_IN,   IDM_ZOOM_OUT,     IDM_ZOOM_FIT,
                         IDM_FRONT_CAM, IDM_INCAR_CAM,    IDM_REAR_CAM};
  std::string all;
  for (int id : buttons) {
    ASSERT_NE(ToolbarTip(id), nullptr) << id;
    all += std::string(ToolbarTip(id)) + "|";
  }
  EXPECT_EQ(all,
            "Connect to TV control / disconnect|Edit Cameras|Manual Control|Zoom in|Zoom out|"
            "Fit the track|Front Cam|Incar Cam|Rear Cam|");
  for (int id : {0, IDM_ABOUT, IDM_EXIT, IDM_ZOOM_250}) EXPECT_EQ(ToolbarTip(id), nullptr) << id;
}

TEST(PickRadius, IsOffUnlessStoredAndCapped) {
  const std::string path = "Software\\MorvaneViewOptionsTest";
  plat::SettingsKey(path).DeleteKey();
  plat::SettingsKey key(path);
  EXPECT_EQ(LoadPickRadius(key), 0) << "without the key";
  for (std::uint32_t stored : {0u, 12u, 50u, 51u, 4000000000u}) {
    ASSERT_TRUE(key.OpenWrite());
    ASSERT_TRUE(key.SetU32(kValuePickRadius, stored));
    ASSERT_TRUE(key.Close());
    EXPECT_EQ(LoadPickRadius(key), stored > 50 ? 50 : static_cast<int>(stored)) << stored;
  }
  plat::SettingsKey(path).DeleteKey();
}

TEST(CentreOn, CentresOnTheOwnerAndStaysInsideTheWorkArea) {
  const ScreenRect work{0, 0, 1024, 740};
  struct Case {
    ScreenRect owner;
    int w, h;
    ScreenPoint at;
  };
  const Case cases[] = {
      {{100, 100, 700, 500}, 200, 100, {300, 250}},
      {{100, 100, 701, 501}, 201, 101, {300, 250}},  // halves cut toward the top left
      {{-300, 600, 100, 900}, 200, 100, {0, 640}},   // past the left and bottom edges
      {{900, -50, 1100, 50}, 300, 100, {724, 0}},    // past the right and top edges
      {{100, 100, 700, 500}, 2000, 1000, {0, 0}},    // larger than the work area
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CentreOn(c.owner, c.w, c.h, work), c.at)
        << c.owner.left << "," << c.owner.top << " " << c.w << "x" << c.h;
  }
}

}  // namespace
}  // namespace gui
