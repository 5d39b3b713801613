// Activation, edit mode, hotkeys and the GUI client's requests on a DirectorCore built here, with
// an in-memory track of 600 nodes on a circle and cameras at nodes 100 and 300.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "director/app/director_core.h"
#include "director/control/live_control.h"
#include "link/link_messages.h"
#include "platform/files.h"
#include "race_test_support.h"
#include "tests/platform/temp_dir.h"

namespace director {
namespace {

using test::B;
using test::Bytes;
using test::Cat;
using test::CircleCentres;
using test::Drain;
using test::LE16;
using test::LE32;
using test::Record;

std::set<int> gKeysDown;
bool FakeKeyDown(int key) { return gKeysDown.count(key) != 0; }

const std::vector<test::NodeCentre> kNodes = CircleCentres(600);
constexpr std::int32_t kZ = 3 * 65536;
const Bytes k2DOff = B({8, ISP_SFP, 1, 0, 0x80, 0, 0, 0});
const Bytes k2DOn = B({8, ISP_SFP, 1, 0, 0x80, 0, 1, 0});
const Bytes kNoCars = Record(glink::GLM_CARS, B({0}));

Bytes Head(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + n); }
Bytes Index(std::uint8_t type, int i) { return Record(type, LE16(static_cast<std::uint32_t>(i))); }
std::string Line(std::int32_t x, std::int32_t y, std::int32_t z, int s, int e) {
  char out[64];
  std::snprintf(out, sizeof(out), " %08X, %08X, %08X,%4d,%4d\r\n", static_cast<unsigned>(x),
                static_cast<unsigned>(y), static_cast<unsigned>(z), s, e);
  return out;
}

class ControlTest : public ::testing::Test {
 protected:
  ControlTest() {
    gKeysDown.clear();
    settings.guiAccess = 1;
    link.sink = &capture;
    link.clock = &clock;
    link.lastSendTick = &lastSend;
    core.live.keyDown = &FakeKeyDown;
    core.state.flags = ISS_GAME | ISS_SHIFTU;
    core.track = test::MakeTrack(kNodes, 0, &core.gui);
    for (int node : {100, 300}) core.track->cameras.Add(kNodes[node].x, kNodes[node].y, kZ);
    core.track->cameras.unsavedChanges = 0;
    Drain(toGui);
  }
  CameraStore& Store() { return core.track->cameras; }
  void Say(const char* text) {
    char buffer[128] = {};
    std::snprintf(buffer, sizeof(buffer), "%s", text);
    core.OnMessageText(link, buffer);
  }
  void ViewAt(int node, std::int32_t dx = 0) {
    core.race.viewPosition = {kNodes[node].x + dx, kNodes[node].y, kZ};
  }
  // The texts shown since the last call, without the prefix; other packets are kept in `other`.
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    other.clear();
    for (const Bytes& p : capture.Packets()) {
      const bool v3 = p[0] == 'M' && p[1] == 'T' && p[2] == 'C';
      if (!v3 && p[1] != ISP_MSL) {
        other.push_back(p);
        continue;
      }
      const std::string text(reinterpret_cast<const char*>(p.data() + (v3 ? 8 : 4)));
      EXPECT_EQ(text.rfind(kMessagePrefix, 0), 0u) << text;
      texts.push_back(text.substr(sizeof(kMessagePrefix) - 1));
    }
    capture.Clear();
    return texts;
  }
  using Texts_ = std::vector<std::string>;
  void Request(const std::function<void(std::uint8_t*)>& write) {
    write(toDirector.reserve());
    toDirector.commit();
    core.HandleGuiRequests(link);
    EXPECT_EQ(toDirector.pending(), 0);
  }
  // A camera packet's position and flags.
  static std::vector<std::int32_t> Cpp(const Bytes& p) {
    return {plat::GetI32(&p[4]), plat::GetI32(&p[8]), p[23], plat::GetU16(&p[30])};
  }

  plat::TempDir dir;
  std::string program = dir.path() + plat::kPathSep;
  Settings settings;
  plat::ManualClock clock{1000};
  glink::MessageQueue toGui, toDirector;
  DirectorCore core{settings, clock, toGui, toDirector, program};
  test::Capture capture;
  std::uint32_t lastSend = 0;
  InsimLink link;
  std::vector<Bytes> other;
};

TEST_F(ControlTest, ActivationAndDeactivationWithTheirMessagesAndViewFiles) {
  core.state.flags |= ISS_MPSPEEDUP;
  auto loaded = std::move(core.track);
  core.live.Activate(link);  // no track: ignored
  core.track = test::MakeTrack(kNodes);
  core.live.Activate(link);  // no cameras: refused, and no speed-up warning
  EXPECT_EQ(Texts(), (Texts_{kNoCamerasText}));
  EXPECT_TRUE(other.empty());
  EXPECT_FALSE(core.DirectorActive());

  core.track = std::move(loaded);
  core.simulator.simulatorDirectory = program;  // the simulator's files beside the program's
  core.views.SetSimVersion("0.6T");
  for (const char* d : {"data", "data\\views"}) plat::MakeDirectory(dir / plat::NativePath(d));
  const std::string userView = dir / plat::NativePath("data\\views\\XFG.cvw");
  ASSERT_TRUE(plat::PutFile(userView, "mine"));
  core.director.followedCar = 4;
  core.live.Activate(link);
  EXPECT_EQ(Texts(), (Texts_{kActiveText, kSpeedupText}));
  EXPECT_EQ(other, (std::vector<Bytes>{B({4, ISP_TINY, 1, TINY_RST}), k2DOff}));
  EXPECT_TRUE(core.DirectorActive());
  EXPECT_EQ(core.director.followedCar, -1);
  core.race.raceStarted = 1;
  core.live.Activate(link);  // again: the answer and the warning, nothing else
  EXPECT_EQ(Texts(), (Texts_{kActiveText, kSpeedupText}));
  EXPECT_TRUE(other.empty());

  // An installed view is replaced by the user's own again; the overlay's buttons go; the
  // simulator's TV camera takes the leader; the GUI's car table is emptied.
  ASSERT_TRUE(plat::PutFile(userView, "installed"));
  core.overlay.shownLap = 2;
  core.race.raceOrder.Append(9);
  core.control.autoActivation = kAutoActivationTiming;
  core.Deactivate(link);
  EXPECT_EQ(Texts(), (Texts_{kInactiveText}));
  Bytes tv(32, 0);
  tv[0] = 32, tv[1] = ISP_CPP, tv[23] = 2;
  EXPECT_EQ(other, (std::vector<Bytes>{B({8, ISP_BFN, 0, 0, 0, 1, 0, 0}), tv, k2DOn}));
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{kNoCars});
  EXPECT_EQ(plat::GetFile(userView), "mine");
  EXPECT_EQ(core.control.autoActivation, kAutoActivationDisarmed);
  core.Deactivate(link);
  EXPECT_EQ(Texts(), (Texts_{kInactiveText}));
  core.control.editMode = 1;
  core.live.Activate(link);
  core.Deactivate(link);
  EXPECT_EQ(Texts(), (Texts_{kInEditModeText, kInEditModeText}));
}

TEST_F(ControlTest, EditCommandsChangeTheStoreAndLeavingSavesIt) {
  core.state.flags = 0;  // front end: commands are ignored
  Say("^7Host ^7: ^8e");
  Say(kActivateCommand);
  core.state.flags = ISS_REPLAY | ISS_SHIFTU;
  Say("^7Host ^7: ^8E");
  Say("activate morvane");
  Say("^7Host ^7: ^8x");  // edit commands outside edit mode
  EXPECT_TRUE(capture.Packets().empty());

  Say("^7Host ^7: ^8e");
  EXPECT_EQ(Texts(), (Texts_{kEditModeOnText}));
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(Cpp(other[0]), (std::vector<std::int32_t>{kNodes[100].x, kNodes[100].y, 2, 8}));
  const std::vector<Bytes> gui = Drain(toGui);
  ASSERT_EQ(gui.size(), 4u);
  EXPECT_EQ(gui[0], Record(glink::GLM_EDIT_MODE, B({1})));
  EXPECT_EQ(gui[1][2], glink::GLM_CAMERA_ADDED);
  EXPECT_EQ(Head(gui[2], 6), Cat({LE16(24), B({glink::GLM_CAMERA_ADDED, 0}), LE16(1)}));
  EXPECT_EQ(gui[3], Index(glink::GLM_CURRENT_CAMERA, 0));

  struct Step {
    int node;
    std::int32_t dx;
    const char* command;
    Texts_ texts;
    int cameraShown;  // the camera node the view is put on, -1 none
  };
  const Step steps[] = {
      {100, 0, "^7Host ^7: ^8e", {}, -1},
      {100, 0, "Host : n", {kNextCamText}, 300},
      {100, 0, "Host : p", {kPreviousCamText}, 100},
      {100, 0, "Host : m", {}, -1},  // the current camera stands there already
      {100, kNearCameraDistance, "Host : d", {kNoCameraHereText}, -1},
      {150, 0, "Host : m", {kMovedText}, -1},
      {150, kNearCameraDistance - 1, "Host : d", {kDeletedText, kNextAfterDeleteText}, 300},
      {300, 0, "Host : d", {kDeletedText}, -1},  // the last one
      {150, 0, "Host : m", {kFirstCamText}, -1},
      {500, 0, "Host : a", {kAddedText}, -1},
      {500, 0, "Host : a ", {}, -1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.command);
    ViewAt(s.node, s.dx);
    Say(s.command);
    EXPECT_EQ(Texts(), s.texts);
    if (s.cameraShown < 0) {
      EXPECT_TRUE(other.empty());
    } else {
      ASSERT_EQ(other.size(), 1u);
      EXPECT_EQ(Cpp(other[0])[0], kNodes[s.cameraShown].x);
    }
  }
  Drain(toGui);
  ASSERT_TRUE(plat::PutFile(dir / "cam", "a file where the directory belongs"));
  Say("Host : x");
  EXPECT_EQ(Texts(), (Texts_{kEditModeOffText, kSaveFailedText}));
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{Record(glink::GLM_EDIT_MODE, B({0}))});
  // The changes are kept for the next save.
  ASSERT_TRUE(plat::RemoveFile(dir / "cam"));
  Say("Host : e");
  Say("Host : x");
  EXPECT_EQ(plat::GetFile(CameraFile(program, "BL1")),
            Line(kNodes[150].x, kNodes[150].y, kZ, 125, 175) +
                Line(kNodes[500].x, kNodes[500].y, kZ, 475, 525));
}

TEST_F(ControlTest, EditModeWithoutCamerasLooksBackAtTheFirstCar) {
  core.track = test::MakeTrack(kNodes);
  core.race.raceOrder.Append(7);
  core.race.players[7].carSample.x = 1000;
  core.race.players[7].carSample.y = -2000;
  core.race.players[7].carSample.z = 300;
  core.race.players[7].carSample.heading = 0x9000;
  Say("x : e");
  ASSERT_EQ(Texts(), (Texts_{kEditModeOnText}));
  EXPECT_EQ(other,
            std::vector<Bytes>{Cat({B({32, ISP_CPP, 1, 0}), LE32(1000), LE32(-2000),
                                    LE32(300 + 131072), LE16(0x1000), LE16(0), LE16(0), B({0, 2}),
                                    LE32(std::bit_cast<std::uint32_t>(30.0f)), LE16(0), LE16(8)})});
}

TEST_F(ControlTest, HotkeysActOncePerPressOverVersion3) {
  link.version = 3;
  core.race.raceStarted = 1;
  const int ctrl = plat::kKeyControl, f6 = plat::kKeyF1 + 5, f7 = plat::kKeyF1 + 6;
  settings.activateKey = settings.deactivateKey = 5;  // the same key toggles once per press
  const std::set<int> both = {ctrl, f6}, f6Only = {f6}, none = {};
  const std::pair<const std::set<int>*, bool> passes[] = {
      {&both, true},  {&both, true},  {&f6Only, true}, {&both, false},
      {&both, false}, {&none, false}, {&both, true}};
  for (const auto& [keys, active] : passes) {
    gKeysDown = *keys;
    core.PollHotkeys(link);
    EXPECT_EQ(core.DirectorActive(), active);
  }
  EXPECT_EQ(Texts(), (Texts_{kActiveText, kInactiveText, kActiveText}));

  settings.deactivateKey = 6;
  gKeysDown = {ctrl, f6};  // the activation key held: no repeated "active"
  core.PollHotkeys(link);
  gKeysDown = {ctrl, f7};
  core.PollHotkeys(link);
  core.PollHotkeys(link);
  EXPECT_FALSE(core.DirectorActive());
  EXPECT_EQ(Texts(), (Texts_{kInactiveText}));
}

TEST_F(ControlTest, AutomaticActivationFollowsTheRaceClock) {
  settings.autoActivate = 1;
  core.ArmAutoActivation();
  core.simulator.activationDelay = 300;
  // Armed until the clock runs, then active once more than the delay has passed.
  const struct {
    std::uint32_t time;
    std::uint8_t state;
    bool active;
  } steps[] = {{0, 1, false}, {500, 2, false}, {800, 2, false}, {801, 2, true}};
  for (const auto& s : steps) {
    core.OnRaceTime(link, s.time);
    EXPECT_EQ(core.control.autoActivation, s.state) << s.time;
    EXPECT_EQ(core.DirectorActive(), s.active) << s.time;
  }
  core.Deactivate(link);
  core.OnRaceTime(link, 5000);
  EXPECT_EQ(core.control.autoActivation, kAutoActivationDisarmed);
  EXPECT_FALSE(core.DirectorActive());

  // Nothing while the user edits cameras; a delay of 0 never activates; an empty store is told
  // once and disarms.
  core.control.autoActivation = kAutoActivationTiming;
  core.control.editMode = 1;
  Texts();
  core.OnRaceTime(link, 100000);
  EXPECT_TRUE(Texts().empty());
  core.control.editMode = 0;
  core.control.autoActivation = kAutoActivationArmed;
  core.simulator.activationDelay = 0;
  for (std::uint32_t t : {10u, 100000u}) core.OnRaceTime(link, t);
  EXPECT_FALSE(core.DirectorActive());
  core.simulator.activationDelay = 10;
  core.track = test::MakeTrack(kNodes);
  for (std::uint32_t t : {200000u, 200020u}) core.OnRaceTime(link, t);
  EXPECT_EQ(Texts(), (Texts_{kNoCamerasText}));
  EXPECT_EQ(core.control.autoActivation, kAutoActivationDisarmed);
}

TEST_F(ControlTest, CarListSendsTheFirst40CarsWithTheFocus) {
  for (int plid = 1; plid <= 45; ++plid) {
    core.race.raceOrder.Append(static_cast<std::uint8_t>(plid));
    core.race.players[plid].carSample.x = plid * 10;
    core.race.players[plid].carSample.y = -plid;
  }
  core.director.chosenCar = 2;
  core.PostCars(45);
  core.director.manual = {0, 2, {40, 41}};
  core.PostCars(45);
  const std::vector<Bytes> posted = Drain(toGui);
  ASSERT_EQ(posted.size(), 2u);
  for (int r = 0; r < 2; ++r) {
    ASSERT_EQ(posted[r].size(), 404u);
    EXPECT_EQ(posted[r][3], 40);
    for (int i = 0; i < 40; ++i) {
      const int plid = i + 1;
      EXPECT_EQ(Bytes(posted[r].begin() + 4 + 10 * i, posted[r].begin() + 14 + 10 * i),
                Cat({B({plid, r == 0 ? plid == 2 : plid == 40}), LE32(plid * 10), LE32(-plid)}));
    }
  }
}

TEST_F(ControlTest, GuiRequestsOnCamerasNodesEditModeAndManualControl) {
  const auto pick = [&](std::uint8_t type, std::int32_t left, std::int32_t top) {
    Request([&](std::uint8_t* s) {
      glink::WritePickCamera(s, type, {left, top, left + 20, top - 20});
    });
  };
  const test::NodeCentre c = kNodes[300];
  pick(glink::GLM_PICK_CAMERA, c.x - 20, c.y + 10);  // the edge passes through the camera
  pick(glink::GLM_PICK_CAMERA_EDIT, c.x - 10, c.y + 10);
  ASSERT_EQ(capture.Packets().size(), 1u);
  EXPECT_EQ(Cpp(capture.Packets()[0])[0], c.x);
  EXPECT_EQ(Drain(toGui), (std::vector<Bytes>{Index(glink::GLM_CURRENT_CAMERA, 1),
                                              Index(glink::GLM_CURRENT_CAMERA, 1),
                                              Index(glink::GLM_EDIT_CAMERA, 1)}));
  Request([](std::uint8_t* s) { glink::WriteSetCamera(s, {0, kZ, 75, 125}); });  // unchanged
  EXPECT_EQ(Store().current, 0);
  EXPECT_EQ(Store().unsavedChanges, 0);
  EXPECT_EQ(capture.Packets().size(), 2u);
  for (int index : {2, 1, 0}) {  // 2 does not exist; deleting the last sends nothing
    Request([&](std::uint8_t* s) { glink::WriteCameraIndex(s, glink::GLM_DELETE_CAMERA, index); });
  }
  EXPECT_EQ(Store().count, 0);
  EXPECT_EQ(capture.Packets().size(), 3u);
  capture.Clear();
  Drain(toGui);

  const auto nodes = [&](std::uint32_t first) {
    Request([&](std::uint8_t* s) { glink::WriteGetNodes(s, first); });
    return Drain(toGui);
  };
  const std::vector<Bytes> last = nodes(595);
  ASSERT_EQ(last.size(), 5u);
  EXPECT_EQ(Head(last[4], 13), Cat({LE16(53), B({22, 'B', 'L', '1', 0, 0, 0}), LE32(599)}));
  EXPECT_EQ(nodes(0).size(), 32u);
  EXPECT_TRUE(nodes(600).empty());
  EXPECT_TRUE(nodes(0xFFFFFFF0u).empty()) << "no wrap round to node 0";
  // A batch that does not fit beside what waits for the client is not cut short: the request, and
  // the one behind it, wait until the server has made room.
  for (int i = 0; i < glink::kQueueSlots - 31; ++i) glink::PostRaceClock(toGui, 1);
  for (std::uint32_t first : {0u, 32u}) {
    glink::WriteGetNodes(toDirector.reserve(), first);
    toDirector.commit();
  }
  core.HandleGuiRequests(link);
  EXPECT_EQ(toDirector.pending(), 2);
  EXPECT_EQ(Drain(toGui).size(), glink::kQueueSlots - 31u);
  core.HandleGuiRequests(link);
  const std::vector<Bytes> batches = Drain(toGui);
  ASSERT_EQ(batches.size(), 64u);
  EXPECT_EQ(plat::GetU32(&batches[63][9]), 63u);
  EXPECT_EQ(toDirector.pending(), 0);

  // Following: one car in a race is announced; a front view keeps only the first car and, with
  // no view files for this simulator, shows why and drops the view; more than 40 are cut.
  core.race.raceOrder.Append(8);
  core.race.raceOrder.Append(5);
  std::snprintf(core.race.players[5].name, kPlayerNameSize, "Bea");
  core.state.raceInProgress = 1;
  core.state.raceLaps = 3;
  const std::uint8_t plids[50] = {5, 8, 9};
  Request([&](std::uint8_t* s) { glink::WriteFollowCars(s, glink::kViewFront, 3, plids); });
  EXPECT_EQ(core.director.manual.count, 1);
  EXPECT_EQ(core.director.manual.viewChoice, 0);
  EXPECT_EQ(Texts(), (Texts_{kNoViewFolderText}));
  EXPECT_STREQ(core.overlay.driverName, "Bea");
  EXPECT_EQ(core.overlay.driverPosition, 2);
  core.state.raceInProgress = 0;
  Request([&](std::uint8_t* s) { glink::WriteFollowCars(s, 0, 1, plids); });
  EXPECT_EQ(core.overlay.driverPosition, 0);
  Request([&](std::uint8_t* s) { glink::WriteFollowCars(s, 0, 50, plids); });
  EXPECT_EQ(core.director.manual.count, kMaxManualCars);
  Request([&](std::uint8_t* s) { glink::WriteFollowCars(s, glink::kViewRear, 0, plids); });
  EXPECT_EQ(core.director.manual.count, 0);
  EXPECT_EQ(core.director.manual.viewChoice, 0);

  // Edit mode on, on again (nothing), off: with every camera deleted the director switches off.
  core.control.directorActive = 1;
  Drain(toGui);
  for (bool on : {true, true, false}) {
    Request([&](std::uint8_t* s) { glink::WriteEditMode(s, glink::GLM_SET_EDIT_MODE, on); });
  }
  EXPECT_EQ(Texts(), (Texts_{kEditModeOnText, kEditModeOffText, kNoCamerasText, kInactiveText}));
  EXPECT_EQ(Drain(toGui), (std::vector<Bytes>{Record(glink::GLM_EDIT_MODE, B({1})),
                                              Record(glink::GLM_EDIT_MODE, B({0})), kNoCars}));
  EXPECT_EQ(plat::GetFile(CameraFile(program, "BL1")), "");
  core.track.reset();
  Request([&](std::uint8_t* s) { glink::WriteEditMode(s, glink::GLM_SET_EDIT_MODE, true); });
  Request([](std::uint8_t* s) { glink::WriteNoTrack(s); });  // not a request at all
  EXPECT_EQ(core.control.editMode, 0);
  EXPECT_TRUE(capture.Packets().empty());
}

}  // namespace
}  // namespace director
