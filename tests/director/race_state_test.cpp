#include "director/insim/race_state.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "director/engine/car_positions.h"
#include "director/engine/car_progress.h"
#include "director/engine/track_path.h"
#include "director/insim/director_settings.h"
#include "link/link_messages.h"
#include "platform/thread.h"
#include "race_test_support.h"
#include "tests/platform/temp_dir.h"

namespace director {
namespace {

using test::B;
using test::Bytes;
using test::Capture;
using test::Car;
using test::Cat;
using test::Drain;
using test::Lap;
using test::LE32;
using test::Mci;
using test::Npl;
using test::Padded;
using test::Pit;
using test::Record;
using test::Res;
using test::V3Mci;

class RaceStateTest : public ::testing::Test {
 protected:
  RaceStateTest() {
    settings.guiAccess = 1;
    state.replaySpeed = 1.0f;
    link.sink = &capture;
    link.clock = &clock;
    link.lastSendTick = &lastSend;
  }

  Bytes Label(std::uint8_t plid, const char* text) {
    return Record(glink::GLM_PLAYER_LABEL, Cat({B({plid}), Padded(text, std::strlen(text))}));
  }

  Settings settings;
  plat::ManualClock clock{5000};
  glink::MessageQueue toGui;
  glink::GuiPost gui{toGui, settings.guiAccess};
  RaceState race;
  StateReport state;
  RaceTracker tracker{race, state, gui, clock};
  std::unique_ptr<TrackPath> track = test::MakeTrack(test::CircleCentres(600), 100);
  Capture capture;
  std::uint32_t lastSend = 0;
  InsimLink link;
};

TEST_F(RaceStateTest, Version4SetsCompleteOnLastRecordOrShortPacket) {
  std::vector<Car> eight;
  for (int i = 0; i < 8; ++i)
    eight.push_back({static_cast<std::uint16_t>(10 + i), 1, static_cast<std::uint8_t>(20 + i)});
  EXPECT_FALSE(takeCarPositions(race, track.get(), DecodeCarPositions(kInsimV4, Mci(eight).data())));
  eight[4].info = CCI_LAST;
  EXPECT_TRUE(takeCarPositions(race, track.get(), DecodeCarPositions(kInsimV4, Mci(eight).data())));
  EXPECT_TRUE(takeCarPositions(race, track.get(), DecodeCarPositions(kInsimV4, Mci({{5, 1, 40}}).data())));
  // A count above 8 reads only 8 records and never completes a set by itself.
  eight[4].info = 0;
  EXPECT_FALSE(takeCarPositions(race, track.get(), DecodeCarPositions(kInsimV4, Mci(eight, 200).data())));

  ASSERT_EQ(race.raceOrder.count, 9);  // each car listed once, in order of its first report
  for (int i = 0; i < 8; ++i) EXPECT_EQ(race.raceOrder.ids[i], 20 + i);
  EXPECT_EQ(race.raceOrder.ids[8], 40);
  EXPECT_EQ(race.players[25].listed, 1);
  EXPECT_EQ(race.players[25].node, 15);
}

TEST_F(RaceStateTest, CarsAtNodeAndLapZeroAndCarsWithoutTrackAreIgnored) {
  EXPECT_FALSE(takeCarPositions(race, nullptr, DecodeCarPositions(kInsimV4, Mci({{5, 1, 7}}).data())));
  EXPECT_FALSE(takeCarPositions(race, nullptr, DecodeCarPositions(kInsimV3, V3Mci(1, 0, {{5, 1, 7}}).data())));
  EXPECT_EQ(race.players[7].updated, 0);

  EXPECT_TRUE(takeCarPositions(race, track.get(), DecodeCarPositions(kInsimV4, Mci({{0, 0, 7}, {0, 3, 8}, {9, 0, 9}}).data())));
  EXPECT_EQ(race.players[7].updated, 0);
  EXPECT_EQ(race.players[7].listed, 0);
  EXPECT_EQ(race.players[8].updated, 1);  // lap alone counts
  EXPECT_EQ(race.players[9].updated, 1);  // node alone counts
  EXPECT_EQ(race.raceOrder.count, 2);
}

TEST_F(RaceStateTest, Version3CountsCarsFromTotalAndFirst) {
  std::vector<Car> cars;
  for (int i = 0; i < 8; ++i)
    cars.push_back({static_cast<std::uint16_t>(30 + i), 2, static_cast<std::uint8_t>(50 + i)});
  // Total 16 from car 0: eight records, more to come.
  EXPECT_FALSE(takeCarPositions(race, track.get(), DecodeCarPositions(kInsimV3, V3Mci(16, 0, cars).data())));
  EXPECT_EQ(race.raceOrder.count, 8);
  // Total 10 from car 8: two records (the rest of the packet is not read), the set is complete.
  std::vector<Car> two = {{40, 0x702, 60}, {41, 3, 61}, {42, 3, 62}};
  EXPECT_TRUE(takeCarPositions(race, track.get(), DecodeCarPositions(kInsimV3, V3Mci(10, 8, two).data())));
  EXPECT_EQ(race.raceOrder.count, 10);
  EXPECT_EQ(race.players[62].updated, 0);
  EXPECT_EQ(race.players[60].carSample.node, 40);
  EXPECT_EQ(race.players[60].carSample.lap, 0x702);
  // A record whose packed word and lap byte are 0 is skipped.
  EXPECT_TRUE(takeCarPositions(race, track.get(), DecodeCarPositions(kInsimV3, V3Mci(1, 0, {{0, 0, 70}}).data())));
  EXPECT_EQ(race.players[70].listed, 0);
}

TEST_F(RaceStateTest, RaceOrderKeepsItsLastPlaceFree) {
  for (int plid = 0; plid < 256; ++plid) {
    takeCarPositions(race, track.get(), DecodeCarPositions(kInsimV4, Mci({{1, 1, static_cast<std::uint8_t>(plid)}}).data()));
  }
  EXPECT_EQ(race.raceOrder.count, 255);
  EXPECT_EQ(race.players[254].listed, 1);
  EXPECT_EQ(race.players[255].listed, 0);  // no room: left for a later report
  EXPECT_EQ(race.players[255].updated, 1);
}

TEST_F(RaceStateTest, ColourCodesAndDisplayNames) {
  // "^^" goes first, then "1A" has no code left; a "^" at the very end goes alone.
  for (const auto& [in, out] : {std::pair{"^7Jo^3hn", "John"}, {"Max^", "Max"}, {"^^1A^", "1A"}}) {
    char text[32];
    std::strcpy(text, in);
    ColourStrip(text);
    EXPECT_STREQ(text, out) << in;
  }
  PlayerRecord r;
  std::strcpy(r.name, "^1Sp^7eedy");
  r.stopCount = 12;
  char out[40];
  DisplayName(r, true, out, sizeof(out));
  EXPECT_STREQ(out, "Speedy (12)");
  DisplayName(r, false, out, sizeof(out));
  EXPECT_STREQ(out, "Speedy");
}

TEST_F(RaceStateTest, NewPlayerStoresAndLabelsOnlyWhatChanged) {
  tracker.NewPlayerV4(DecodeNewPlayer(Npl(5, "^7Jo^3hn", "XFG", 0x0201).data()));
  EXPECT_STREQ(race.players[5].name, "^7Jo^3hn");
  EXPECT_STREQ(race.players[5].carName, "XFG");
  EXPECT_EQ(race.players[5].playerFlags, 0x0201);
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{Label(5, "John")});

  // Same name and car: nothing, even with other flags.
  tracker.NewPlayerV4(DecodeNewPlayer(Npl(5, "^7Jo^3hn", "XFG", 0x0008).data()));
  EXPECT_EQ(race.players[5].playerFlags, 0x0201);
  EXPECT_TRUE(Drain(toGui).empty());

  // Another car: stored, and the label carries the stops once there are any.
  race.players[5].stopCount = 1;
  tracker.NewPlayerV4(DecodeNewPlayer(Npl(5, "^7Jo^3hn", "FBM").data()));
  EXPECT_STREQ(race.players[5].carName, "FBM");
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{Label(5, "John (1)")});

  // A full 24-character name stays whole; the label is cut to the link's 29 characters.
  tracker.NewPlayerV4(DecodeNewPlayer(Npl(6, "ABCDEFGHIJKLMNOPQRSTUVWX", "RB4").data()));
  EXPECT_STREQ(race.players[6].name, "ABCDEFGHIJKLMNOPQRSTUVWX");
  race.players[6].stopCount = 0;
  tracker.UpdateStops(6, 100);
  EXPECT_EQ(Drain(toGui).back(), Label(6, "ABCDEFGHIJKLMNOPQRSTUVWX (100"));

  // With GUI access off nothing is queued.
  settings.guiAccess = 0;
  tracker.NewPlayerV4(DecodeNewPlayer(Npl(7, "Other", "XRT").data()));
  EXPECT_STREQ(race.players[7].name, "Other");
  EXPECT_EQ(toGui.pending(), 0);
}

TEST_F(RaceStateTest, AliasesReplaceExactNamesOnly) {
  plat::TempDir dir;
  ASSERT_TRUE(dir.ok());
  ASSERT_TRUE(plat::PutFile(dir / "alias.ini",
                            "[AliasNames]\r\nNumber=5\r\nnickname1=^1Speedy\r\n"
                            "realname1=Driver One\r\nnickname2=Racer\r\nrealname2=Driver Two\r\n"
                            "nickname3=Ghost\r\nnickname4=Racer\r\nrealname4=Driver Four\r\n"
                            "nickname5=\r\nrealname5=Nobody\r\n"));
  tracker.LoadAliasTable(dir.path() + plat::kPathSep);
  EXPECT_EQ(race.aliases.entries.size(), 3u);  // 3 and 5 lack a name

  // The comparison is exact and case-sensitive; the entry read last is found first.
  const char* const announced[][2] = {{"^1Speedy", "Driver One"},
                                      {"racer", "racer"},
                                      {"Racer", "Driver Four"},
                                      {"Speedy", "Speedy"},
                                      {"Ghost", "Ghost"}};
  for (std::uint8_t plid = 1; plid <= 5; ++plid) {
    tracker.NewPlayerV4(DecodeNewPlayer(Npl(plid, announced[plid - 1][0], "XFG").data()));
    EXPECT_STREQ(race.players[plid].name, announced[plid - 1][1]);
  }
  EXPECT_EQ(Drain(toGui).front(), Label(1, "Driver One"));

  tracker.ClearAliasTable();
  tracker.NewPlayerV4(DecodeNewPlayer(Npl(1, "^1Speedy", "XFG").data()));
  EXPECT_STREQ(race.players[1].name, "^1Speedy");

  // A missing file or a negative count gives no aliases.
  tracker.LoadAliasTable(dir.path() + plat::kPathSep + "nothing" + plat::kPathSep);
  EXPECT_TRUE(race.aliases.entries.empty());
  ASSERT_TRUE(plat::PutFile(dir / "alias.ini",
                            "[AliasNames]\nNumber=-1\nnickname1=A\n"
                            "realname1=B\n"));
  tracker.LoadAliasTable(dir.path() + plat::kPathSep);
  EXPECT_TRUE(race.aliases.entries.empty());
}

TEST_F(RaceStateTest, StopCountsLabelWithSuffixOnlyWhenChanged) {
  tracker.NewPlayerV4(DecodeNewPlayer(Npl(9, "^3Anna", "XFG").data()));
  Drain(toGui);
  tracker.Pit(DecodePit(test::Pit(9, 1).data()));
  tracker.Pit(DecodePit(test::Pit(9, 2).data()));
  EXPECT_EQ(Drain(toGui), (std::vector<Bytes>{Label(9, "Anna (1)"), Label(9, "Anna (2)")}));
  EXPECT_EQ(race.stopsChangeCount, 2);

  tracker.Pit(DecodePit(test::Pit(9, 2).data()));
  EXPECT_TRUE(Drain(toGui).empty());
  EXPECT_EQ(race.stopsChangeCount, 2);

  // Back to 0 still labels, with the suffix.
  tracker.UpdateStops(9, 0);
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{Label(9, "Anna (0)")});

  // A player without a name changes its count silently; the change counter stops at 255.
  race.stopsChangeCount = 254;
  tracker.UpdateStops(10, 1);
  tracker.UpdateStops(10, 2);
  EXPECT_EQ(race.players[10].stopCount, 2);
  EXPECT_EQ(race.stopsChangeCount, 255);
  EXPECT_TRUE(Drain(toGui).empty());
}

Bytes Spx(std::uint8_t plid, std::uint32_t elapsed, std::uint8_t stops) {
  Bytes p = test::Packet(16, ISP_SPX, plid);
  test::PutLE32(p, 8, elapsed);
  p[14] = stops;
  return p;
}

TEST_F(RaceStateTest, LapsKeepFiguresAndTheRaceTimeAtNormalSpeedOnly) {
  clock.Set(7000);
  tracker.LapV4(DecodeLap(Lap(3, 61000, 125000, 2, 0).data()));
  const PlayerRecord& r = race.players[3];
  EXPECT_EQ(r.lapsDone, 2);
  EXPECT_EQ(r.totalTime, 125000u);
  EXPECT_EQ(r.bestLap, 61000u);
  EXPECT_EQ(race.standingsChanged, 1);
  EXPECT_EQ(race.raceTime.time, 125000u);
  EXPECT_EQ(race.raceTime.tick, 7000u);
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{Record(glink::GLM_RACE_CLOCK, LE32(125000))});

  tracker.LapV4(DecodeLap(Lap(3, 62000, 187000, 3, 0).data()));
  EXPECT_EQ(r.bestLap, 61000u);  // a slower lap keeps the best
  tracker.LapV4(DecodeLap(Lap(3, 0xFFFFFFFF, 187500, 3, 0).data()));
  EXPECT_EQ(r.bestLap, 61000u);  // compared unsigned
  Drain(toGui);

  // Paused, or a replay at another speed: the race time is not taken, the lap figures are.
  state.flags = ISS_GAME | ISS_PAUSED;
  tracker.LapV4(DecodeLap(Lap(3, 60000, 250000, 4, 0).data()));
  state.flags = ISS_REPLAY;
  state.replaySpeed = 2.0f;
  tracker.Split(DecodeSplit(Spx(3, 260000, 0).data()));
  EXPECT_EQ(race.raceTime.time, 187500u);
  EXPECT_TRUE(Drain(toGui).empty());
  EXPECT_EQ(r.totalTime, 250000u);
  EXPECT_EQ(r.bestLap, 60000u);

  state.replaySpeed = 1.0f;
  tracker.Split(DecodeSplit(Spx(3, 261000, 1).data()));
  EXPECT_EQ(race.raceTime.time, 261000u);
  EXPECT_EQ(r.stopCount, 1);

  // Version 3 keeps the whole lap packet under the player id at byte 89.
  Bytes v3(256, 0);
  for (int i = 0; i < kV3LapSize; ++i) v3[i] = static_cast<std::uint8_t>(i + 1);
  v3[89] = 33;
  tracker.LapV3(DecodeLapV3(v3.data()));
  EXPECT_EQ(Bytes(race.players[33].v3Lap, race.players[33].v3Lap + kV3LapSize),
            Bytes(v3.begin(), v3.begin() + kV3LapSize));
}

TEST_F(RaceStateTest, ResultsKeepOnlyConfirmedPlacesBelow40) {
  tracker.Result(DecodeResult(Res(39, 0x02, 0x11).data()));
  EXPECT_EQ(race.resultCount, 40);
  EXPECT_EQ(race.results.entries[39].userName[4], 0x11);
  EXPECT_EQ(race.results.entries[39].resultNum, 39);
  tracker.Result(DecodeResult(Res(40, 0x02).data()));
  tracker.Result(DecodeResult(Res(2, 0x04).data()));
  tracker.Result(DecodeResult(Res(2, 0x08).data()));
  tracker.Result(DecodeResult(Res(2, 0x40).data()));
  EXPECT_EQ(race.resultCount, 40);
  EXPECT_EQ(race.results.entries[2].userName[4], 0);
  // A lower place lowers the count again.
  tracker.Result(DecodeResult(Res(0, 0x01, 0x22).data()));
  EXPECT_EQ(race.resultCount, 1);
  EXPECT_EQ(race.results.entries[0].userName[4], 0x22);
}

TEST_F(RaceStateTest, CameraPositionIsPostedWhenItMovesAcross) {
  Bytes cpp = test::Packet(B({32, ISP_CPP, 0, 0}));
  test::PutLE32(cpp, 4, static_cast<std::uint32_t>(-65536));
  test::PutLE32(cpp, 8, 0x01020304);
  test::PutLE32(cpp, 12, 77);
  tracker.CameraPosition(ReadCameraRecord(cpp.data()));
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{Record(glink::GLM_VIEW_POS,
                                                    Cat({LE32(0xFFFF0000u), LE32(0x01020304)}))});
  test::PutLE32(cpp, 12, 99);  // height alone: stored, not posted
  tracker.CameraPosition(ReadCameraRecord(cpp.data()));
  EXPECT_TRUE(Drain(toGui).empty());
  EXPECT_EQ(race.viewPosition.x, -65536);
  EXPECT_EQ(race.viewPosition.y, 0x01020304);
  EXPECT_EQ(race.viewPosition.z, 99);
}

TEST_F(RaceStateTest, Version3PlayersAreWalkedByIndex) {
  link.version = 3;
  Bytes npl(256, 0);
  std::memcpy(npl.data(), "NPL", 3);
  std::memcpy(npl.data() + 28, "^2Kim", 5);
  npl[95] = 12;
  npl[96] = 4;
  race.players[12].stopCount = 3;
  tracker.NewPlayerV3(link, DecodeNewPlayerV3(npl.data()));
  tracker.NewPlayerV3(link, DecodeNewPlayerV3(npl.data()));  // same name: no label, but the walk goes on
  EXPECT_STREQ(race.players[12].name, "^2Kim");
  EXPECT_EQ(Drain(toGui), std::vector<Bytes>{Label(12, "Kim")});  // no stops in version 3
  const Bytes next = Cat({Padded("NPL", 4), LE32(5)});
  EXPECT_EQ(capture.Packets(), (std::vector<Bytes>{next, next}));
}

TEST_F(RaceStateTest, RaceStartClearsTheRaceAndAsksForThePlayers) {
  PlayerRecord& r = race.players[4];
  std::strcpy(r.name, "Lee");
  r.stopCount = 2;
  r.lapFigure = 7;
  r.lapsDone = 6;
  r.totalTime = 9;
  r.bestLap = 8;
  race.resultCount = 5;
  race.raceTime.time = 1234;

  tracker.BeginRace();
  tracker.FinishRaceStart(link);
  EXPECT_EQ(
      std::tuple(std::string(r.name), r.stopCount, r.lapFigure, r.lapsDone, r.totalTime, r.bestLap),
      std::tuple(std::string(), 0, 1, 0, 0u, kNoBestLap));
  EXPECT_EQ(race.resultCount, 0);
  EXPECT_EQ(race.raceStarted, 1);
  EXPECT_EQ(race.raceTime.time, 0u);
  EXPECT_EQ(Drain(toGui), (std::vector<Bytes>{B({3, 0, glink::GLM_PLAYER_LABEL}),
                                              Record(glink::GLM_RACE_CLOCK, LE32(0))}));
  EXPECT_EQ(capture.Packets(), std::vector<Bytes>{B({4, ISP_TINY, 1, TINY_NPL})});

  capture.Clear();
  link.version = 3;
  tracker.FinishRaceStart(link);
  EXPECT_EQ(capture.Packets(), std::vector<Bytes>{Cat({Padded("NPL", 4), LE32(0)})});
}

// --- Progress of a car along the track ---

TEST(CarProgress, LapFigureHoldsNearTheLineSoTheDistanceRunsOn) {
  auto track = test::MakeTrack(test::CircleCentres(600), 100);
  PlayerRecord r;
  const struct {
    std::uint16_t node, lap;
    int lapPosition, lapFigure;
    std::uint32_t distance;
  } steps[] = {
      {400, 3, 300, 3, 600u * 3 + 300},
      {98, 3, 598, 3, 600u * 3 + 598},
      {99, 4, 599, 3, 600u * 3 + 599},   // raised at the line already: ignored in the last 10 nodes
      {100, 4, 600, 3, 600u * 3 + 600},  // the finish node counts as the node count
      {101, 4, 1, 4, 600u * 4 + 1},
      {589, 9, 489, 9, 600u * 9 + 489},  // far from the line the lap figure follows again
  };
  for (const auto& step : steps) {
    CompCar s;
    s.node = step.node;
    s.lap = step.lap;
    updateCarProgress(r, s, *track);
    EXPECT_EQ(std::tuple(int(r.lapPosition), r.lapFigure, r.raceDistance, int(r.node)),
              std::tuple(step.lapPosition, step.lapFigure, step.distance, int(step.node)))
        << step.node;
  }
  EXPECT_EQ(r.updated, 1);
}

TEST(CarProgress, HistoryKeepsTheDistancesBeforeEachUpdate) {
  auto track = test::MakeTrack(test::CircleCentres(600), 0);
  PlayerRecord r;
  CompCar s;
  s.lap = 1;
  for (int i = 1; i <= 17; ++i) {
    s.node = static_cast<std::uint16_t>(i);
    updateCarProgress(r, s, *track);
  }
  EXPECT_EQ(r.historyIndex, 1);
  EXPECT_EQ(r.distanceHistory[0], 600u + 16);  // slot 0 written twice: first 0, then at update 17
  EXPECT_EQ(r.distanceHistory[1], 600u + 1);
  EXPECT_EQ(r.distanceHistory[15], 600u + 15);
  EXPECT_EQ(r.raceDistance, 600u + 17);
}

TEST(CarProgress, PredictionLooksAheadAlongTheDirectionOfMotion) {
  auto track = test::MakeTrack(test::CircleCentres(600), 0);
  PlayerRecord r;
  CompCar s;
  s.node = 5;
  s.x = 1000000;
  s.y = -2000000;
  s.z = 300;
  s.speed = 32768;  // 100 m/s: 80 m in 0.8 s
  s.direction = 16384;
  updateCarProgress(r, s, *track);
  EXPECT_EQ(r.predictedX, 1000000 - 5242880);
  EXPECT_EQ(r.predictedY, -2000000);
  EXPECT_EQ(r.predictedZ, 1500);  // previous sample still zero
  EXPECT_EQ(r.previousSample.z, 0);

  s.x = 0;
  s.y = 0;
  s.z = 500;
  s.direction = 32768;  // 3.141 for pi leaves a little of the cosine
  updateCarProgress(r, s, *track);
  EXPECT_EQ(r.predictedX, -1553);
  EXPECT_EQ(r.predictedY, -5242879);
  EXPECT_EQ(r.predictedZ, 5 * 500 - 4 * 300);
  EXPECT_EQ(r.previousSample.z, 300);

  // Far out at the edge of the world nothing overflows.
  s.x = 2147483647;
  s.z = 2147483647;
  s.direction = 49152;
  updateCarProgress(r, s, *track);
  EXPECT_EQ(r.predictedX, 2147483647);
}

}  // namespace
}  // namespace director
