#include "director/app/director_core.h"

#include <gtest/gtest.h>

#include "insim_test_support.h"
#include "link/link_messages.h"
#include "platform/files.h"
#include "race_test_support.h"
#include "tests/platform/temp_dir.h"

namespace director {
namespace {

using test::B;
using test::Bytes;
using test::Capture;
using test::Cat;
using test::CircleCentres;
using test::Drain;
using test::LE32;
using test::Padded;
using test::PathFile;
using test::Record;
using test::Sta;

const Bytes kNoTrack = B({9, 0, glink::GLM_TRACK, 0, 0, 0, 0, 0, 0});
const Bytes kClockZero = Record(glink::GLM_RACE_CLOCK, LE32(0));
const Bytes kNoPathMessage =
    Cat({B({132, ISP_MSL, 0, 0}), Padded("^3Morvane: ^2could not load pth file", 128)});

Bytes TrackRecord(const char* name, std::uint32_t nodes, std::uint32_t finish) {
  return Record(glink::GLM_TRACK, Cat({Padded(name, 6), LE32(nodes), LE32(finish)}));
}

// A program directory with "pth" and "cam", a simulator directory with "data\smx", and the track
// BL1 with two cameras next to the program.
class DirectorCoreTest : public ::testing::Test {
 protected:
  DirectorCoreTest() {
    for (const char* d : {"prog", "prog\\pth", "prog\\cam", "sim", "sim\\data", "sim\\data\\smx"}) {
      plat::MakeDirectory(dir / plat::NativePath(d));
    }
    settings.guiAccess = 1;
    link.sink = &capture;
    link.clock = &clock;
    link.lastSendTick = &lastSend;
    Put("prog\\pth\\BL1.pth", PathFile(600, 10, CircleCentres(600)));
    Put("prog\\cam\\BL1.cam", kTwoCameras);
  }
  void Put(const std::string& relative, const std::string& bytes) {
    ASSERT_TRUE(plat::PutFile(dir / plat::NativePath(relative), bytes));
  }
  std::string Get(const std::string& relative) {
    return plat::GetFile(dir / plat::NativePath(relative));
  }
  void State(const Bytes& sta) { core.OnState(link, ReadStateReport(sta.data(), link.version)); }

  static constexpr char kTwoCameras[] =
      " 0000000A, 00000000, 00000000,  10,  20\r\n"
      " 0000000B, 00000000, 00000000,  30,  40\r\n";
  plat::TempDir dir;
  std::string program = dir / "prog" + plat::kPathSep;
  Settings settings;
  plat::ManualClock clock{1000};
  glink::MessageQueue toGui;
  glink::MessageQueue toDirector;
  DirectorCore core{settings, clock, toGui, toDirector, program};
  Capture capture;
  std::uint32_t lastSend = 0;
  InsimLink link;
};

TEST_F(DirectorCoreTest, StateReportsLoadTheTrackOnceAndTellTheGui) {
  State(Sta(ISS_GAME, "BL1"));
  ASSERT_NE(core.track, nullptr);
  EXPECT_EQ(core.CameraCount(), 2);
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{TrackRecord("BL1", 600, 10)});
  EXPECT_TRUE(capture.Packets().empty());

  // The same track again: neither the path nor the cameras are read again.
  const TrackPath* loaded = core.track.get();
  core.track->cameras.cameras[0].z = 99;
  Put("prog\\cam\\BL1.cam", "");
  State(Sta(ISS_REPLAY, "BL1"));
  EXPECT_EQ(core.track.get(), loaded);
  EXPECT_EQ(core.track->cameras.cameras[0].z, 99);
  EXPECT_EQ(core.CameraCount(), 2);

  // Another track without a path file: no track, a message on the simulator's screen, and the
  // GUI is told there is no track and loses its manual selection.
  core.director.manual.count = 3;
  State(Sta(ISS_GAME, "FE1"));
  EXPECT_EQ(core.track, nullptr);
  EXPECT_EQ(core.CameraCount(), 0);
  EXPECT_EQ(capture.Packets(), std::vector<Bytes>{kNoPathMessage});
  EXPECT_EQ(Drain(toGui), (std::vector<Bytes>{TrackRecord("BL1", 600, 10), kNoTrack}));
  EXPECT_EQ(core.director.manual.count, 0);

  // Tried again on every report; back on BL1 it loads afresh.
  State(Sta(ISS_GAME, "FE1"));
  EXPECT_EQ(capture.Packets().size(), 2u);
  State(Sta(ISS_GAME | ISS_SHIFTU, "BL1"));
  ASSERT_NE(core.track, nullptr);
  EXPECT_EQ(core.CameraCount(), 0);  // the emptied camera file

  // In edit mode another track neither replaces it nor makes a complaint.
  const TrackPath* edited = core.track.get();
  core.control.editMode = 1;
  capture.Clear();
  State(Sta(ISS_GAME | ISS_SHIFTU, "FE1"));
  EXPECT_EQ(core.track.get(), edited);
  EXPECT_TRUE(capture.Packets().empty());
}

TEST_F(DirectorCoreTest, OutsideGameAndReplayTheRaceIsReset) {
  core.tracker.NewPlayerV4(DecodeNewPlayer(test::Npl(4, "Kim", "XFG").data()));
  core.race.raceStarted = 1;
  core.race.raceTime.time = 5000;
  core.control.autoActivation = kAutoActivationDisarmed;
  Drain(toGui);

  State(Sta(0, "FE1"));  // front end, and no path for FE1: said to nobody
  EXPECT_TRUE(capture.Packets().empty());
  EXPECT_STREQ(core.race.players[4].name, "");
  EXPECT_EQ(core.race.raceStarted, 0);
  EXPECT_EQ(core.race.raceTime.time, 0u);
  EXPECT_EQ(core.control.autoActivation, kAutoActivationArmed);  // armed again for the next race
  EXPECT_EQ(Drain(toGui), (std::vector<Bytes>{kNoTrack, kClockZero}));

  // A loaded track at the front end is still loaded but the GUI hears of no track.
  core.control.autoActivation = kAutoActivationOff;
  State(Sta(0, "BL1"));
  EXPECT_NE(core.track, nullptr);
  EXPECT_EQ(core.control.autoActivation, kAutoActivationOff);
  EXPECT_EQ(Drain(toGui), (std::vector<Bytes>{kNoTrack, kClockZero}));
}

TEST_F(DirectorCoreTest, TheRaceClockStopsWhenPausedOrAtAnotherReplaySpeed) {
  const struct {
    std::uint16_t flags;
    float speed;
    bool stops;
  } cases[] = {{ISS_GAME, 1.0f, false},
               {ISS_REPLAY, 1.0f, false},
               {ISS_GAME | ISS_PAUSED, 1.0f, true},
               {ISS_REPLAY, 0.5f, true},
               {ISS_REPLAY, 1.0001f, true}};
  for (const auto& c : cases) {
    core.race.raceTime.time = 4000;
    State(Sta(c.flags, "BL1", c.speed));
    EXPECT_EQ(core.race.raceTime.time, c.stops ? 0u : 4000u) << c.flags << " " << c.speed;
    std::vector<Bytes> expected{TrackRecord("BL1", 600, 10)};
    if (c.stops) expected.push_back(kClockZero);
    EXPECT_EQ(Drain(toGui), expected);
  }

  // A lap report while the replay runs fast is not taken either.
  core.tracker.LapV4(DecodeLap(test::Lap(1, 60000, 70000, 1, 0).data()));
  EXPECT_EQ(core.race.raceTime.time, 0u);
  EXPECT_TRUE(Drain(toGui).empty());

  // With GUI access off nothing is queued at all.
  settings.guiAccess = 0;
  State(Sta(0, "XX1"));
  EXPECT_EQ(toGui.pending(), 0);
}

TEST_F(DirectorCoreTest, RaceStartResetsTheFollowedCarAndAsksForThePlayers) {
  core.director.followedCar = 12;
  core.OnRaceStart(link);
  EXPECT_EQ(core.director.followedCar, -1);
  EXPECT_EQ(core.race.raceStarted, 1);
  EXPECT_EQ(capture.Packets(), std::vector<Bytes>{B({4, ISP_TINY, 1, TINY_NPL})});
}

TEST_F(DirectorCoreTest, ThreadEndSavesCamerasOnlyInEditMode) {
  State(Sta(ISS_GAME, "BL1"));
  const test::NodeCentre p = CircleCentres(600)[300];
  ASSERT_TRUE(core.Cameras()->Add(p.x, p.y, 7));
  core.OnThreadEnd();  // not in edit mode: the change is dropped with the track
  EXPECT_EQ(core.track, nullptr);
  EXPECT_EQ(Get("prog\\cam\\BL1.cam"), kTwoCameras);

  State(Sta(ISS_GAME, "BL1"));
  ASSERT_TRUE(core.Cameras()->Add(p.x, p.y, 7));
  core.control.editMode = 1;
  core.OnThreadEnd();
  EXPECT_EQ(core.control.editMode, 0);
  EXPECT_EQ(core.track, nullptr);
  EXPECT_EQ(Get("prog\\cam\\BL1.cam"),
            std::string(kTwoCameras) + " FE0C0000, 00000000, 00000007, 275, 325\r\n");
  core.OnThreadEnd();  // without a track: nothing to do
}

TEST_F(DirectorCoreTest, EachAttemptStartsCleanAndReadsTheConfiguration) {
  Put("prog\\Morvane.cfg",
      "[default]\nPath2LFS=" + dir.path() + plat::kPathSep + "sim\n[Activate]\nDelay=350\n");
  Put("prog\\alias.ini", "[AliasNames]\nNumber=1\nnickname1=kim\nrealname1=Kim Lee\n");
  Put("sim\\data\\smx\\AS1.pth", PathFile(900, 5, CircleCentres(900)));
  core.control.directorActive = 1;
  core.race.raceStarted = 1;
  core.race.resultCount = 3;
  core.director.manual.count = 2;
  core.OnThreadStart();
  core.OnAttemptBegin();
  EXPECT_FALSE(core.DirectorActive());
  EXPECT_EQ(core.race.raceStarted, 0);
  EXPECT_EQ(core.race.resultCount, 0);
  EXPECT_EQ(core.director.manual.count, 0);

  core.OnGreeted(link);
  EXPECT_EQ(core.simulator.simulatorDirectory, dir / "sim" + plat::kPathSep);
  EXPECT_EQ(core.simulator.activationDelay, 350u);
  core.tracker.NewPlayerV4(DecodeNewPlayer(test::Npl(2, "kim", "XFG").data()));
  EXPECT_STREQ(core.race.players[2].name, "Kim Lee");
  State(Sta(ISS_GAME, "AS1"));  // found in the simulator's own directory
  ASSERT_NE(core.track, nullptr);
  EXPECT_EQ(core.track->nodeCount, 900u);

  core.OnAttemptEnd();
  EXPECT_TRUE(core.race.aliases.entries.empty());
}

TEST_F(DirectorCoreTest, AddingAtTheViewRefusesAFullStoreWithAMessage) {
  EXPECT_FALSE(core.AddCameraAtView(link));  // no track
  State(Sta(ISS_GAME, "BL1"));
  core.race.viewPosition = {CircleCentres(600)[200].x, CircleCentres(600)[200].y, 3};
  while (core.CameraCount() < kMaxCameras) ASSERT_TRUE(core.AddCameraAtView(link));
  EXPECT_TRUE(capture.Packets().empty());
  EXPECT_FALSE(core.AddCameraAtView(link));
  EXPECT_EQ(core.CameraCount(), kMaxCameras);
  EXPECT_EQ(capture.Packets(),
            std::vector<Bytes>{
                Cat({B({132, ISP_MSL, 0, 0}),
                     Padded("^3Morvane: ^2no room for more than 100 cam positions", 128)})});
}

TEST_F(DirectorCoreTest, LapFiguresResetOutsideARaceWithLaps) {
  State(Sta(ISS_GAME, "BL1", 1.0f, 1, 5));
  EXPECT_TRUE(core.RaceWithLaps());
  State(Sta(ISS_GAME, "BL1", 1.0f, 2, 5));
  EXPECT_FALSE(core.RaceWithLaps());
  EXPECT_TRUE(
      core.OnCarPositions(DecodeCarPositions(kInsimV3, test::V3Mci(1, 0, {{7, 2, 8}}).data())));
  core.race.players[8].stopCount = 2;
  core.race.players[8].lapsDone = 3;
  core.ResetLapFigures();
  EXPECT_EQ(core.race.players[8].lapFigure, 1);
  EXPECT_EQ(core.race.players[8].stopCount, 0);
  EXPECT_EQ(core.race.players[8].lapsDone, 3);
}

// The GUI client hears the reason of each new shot while the director directs, nothing while it
// stays the same, and an empty reason once when the director stops.
TEST_F(DirectorCoreTest, TheGuiClientHearsEachNewShotReason) {
  const auto reasonRecord = [](const char* text) {
    return Record(glink::GLM_SHOT_REASON, Bytes(text, text + std::strlen(text)));
  };
  reasonText(&core.director.reason, "battle for P3, 0.4 s");
  core.PostShotReason();
  EXPECT_TRUE(Drain(toGui).empty());  // not directing: nothing to tell
  core.control.directorActive = 1;
  core.PostShotReason();
  core.PostShotReason();
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{reasonRecord("battle for P3, 0.4 s")});
  reasonText(&core.director.reason, "hold");
  core.PostShotReason();
  core.control.directorActive = 0;
  core.PostShotReason();
  core.PostShotReason();
  EXPECT_EQ(Drain(toGui), (std::vector<Bytes>{reasonRecord("hold"), reasonRecord("")}));
}

}  // namespace
}  // namespace director
