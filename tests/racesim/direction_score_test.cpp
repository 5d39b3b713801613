// The direction's figures from a small synthetic log of two races, exact to the number: what was
// on screen in each sample against incidents, overtakes, battles, pit lane and parked cars, the
// leader at the start, the winner at the flag, cuts, shots and ping-pongs.
#include "tools/racesim/direction_score.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace racesim {
namespace {

std::uint64_t Bits(std::initializer_list<int> plids) {
  std::uint64_t m = 0;
  for (int p : plids) m |= std::uint64_t{1} << p;
  return m;
}

// One sample every 200 ms; the leader is car 1 throughout.
ScoreSample At(std::uint32_t ms, std::uint8_t shown, bool cut) {
  ScoreSample s;
  s.raceMs = ms;
  s.dtMs = 200;
  s.shown = shown;
  s.cut = cut;
  s.leader = 1;
  if (ms >= 8200 && ms <= 12000) s.battling = Bits({3, 4});
  if (ms <= 2000) s.pitOrParked = Bits({2});
  return s;
}

TruthRecord Truth(TruthKind kind, std::uint32_t ms, std::uint8_t plid, std::uint8_t other) {
  TruthRecord t;
  t.kind = kind;
  t.raceMs = ms;
  t.plid = plid;
  t.other = other;
  return t;
}

// Car 2 (parked in its first 2 s), the leader, car 3, the leader again (a ping-pong), then car 4;
// a spin of car 3 shown, a contact shown by its other car, an off never shown, an overtake
// reported after the samples that showed it and one never shown; the winner at the flag.
void FirstRace(DirectionScore& score) {
  score.BeginRace();
  for (std::uint32_t ms = 200; ms <= 20000; ms += 200) {
    std::uint8_t car = 4;
    if (ms <= 4000) {
      car = 2;
    } else if (ms <= 8000) {
      car = 1;
    } else if (ms <= 9000) {
      car = 3;
    } else if (ms <= 10000) {
      car = 1;
    }
    const bool cut = ms == 200 || ms == 4200 || ms == 8200 || ms == 9200 || ms == 10200;
    score.Sample(At(ms, car, cut));
    if (ms == 8000) score.Truth(Truth(TruthKind::kIncident, 8000, 3, 0));
    if (ms == 9400) score.Truth(Truth(TruthKind::kIncident, 9500, 5, 4));
    if (ms == 15000) score.Truth(Truth(TruthKind::kIncident, 15000, 6, 0));
    if (ms == 4400) score.Truth(Truth(TruthKind::kOvertake, 4300, 2, 7));
    if (ms == 12000) score.Truth(Truth(TruthKind::kOvertake, 12000, 8, 9));
  }
  score.Flag(4);
  score.EndRace();
}

TEST(DirectionScore, TheFiguresOfOneRace) {
  DirectionScore score;
  FirstRace(score);
  ASSERT_EQ(score.Races().size(), 1u);
  EXPECT_EQ(DirectionText(score.Races()[0]),
            "incidents seen  67 % (2 of 3 on screen within 2 s)\n"
            "overtakes seen  50 % (1 of 2 on screen as they happened)\n"
            "battles seen    75 % (3.0 s of 4.0 s of battle)\n"
            "pit or parked   10 % of the screen time\n"
            "leader at start yes\n"
            "winner at flag  yes\n"
            "cuts a minute   15.0 /min\n"
            "shots           median 2.5 s, shortest 1.0 s\n"
            "ping-pongs      1\n");
  // The shots that ended in the cuts to car 3 (its spin 0.2 s before) and to car 4 (the other
  // car of the contact 0.7 s before) ended for an incident; the other two did not.
  EXPECT_EQ(score.Races()[0].shotsMs, (std::vector<std::uint32_t>{4000, 4000, 1000, 1000}));
  EXPECT_EQ(score.Races()[0].otherShotsMs, (std::vector<std::uint32_t>{4000, 1000}));
}

// The camera aimed at a spun car can have its neighbour nearest the middle of the picture: the
// cut still went to the incident. A car in the picture whose incident is 2.4 s old does not count.
TEST(DirectionScore, ACutToAPictureWithTheIncidentsCarIsACutToTheIncident) {
  DirectionScore score;
  score.BeginRace();
  score.Sample(At(200, 1, true));
  score.Truth(Truth(TruthKind::kIncident, 1000, 5, 0));
  ScoreSample s = At(1400, 2, true);
  s.inPicture = Bits({5});
  score.Sample(s);
  s = At(3400, 3, true);
  s.inPicture = Bits({5});
  score.Sample(s);
  score.EndRace();
  EXPECT_EQ(score.Races()[0].shotsMs, (std::vector<std::uint32_t>{1200, 2000}));
  EXPECT_EQ(score.Races()[0].otherShotsMs, (std::vector<std::uint32_t>{2000}));
}

// Two cars side by side trade the middle of the picture from one camera to the next: a cut that
// keeps the first car in the picture has not left it, and the cut back is no ping-pong.
TEST(DirectionScore, ACutThatKeepsTheCarInThePictureHasNotLeftIt) {
  for (const bool keeps : {true, false}) {
    DirectionScore score;
    score.BeginRace();
    score.Sample(At(200, 3, true));
    ScoreSample s = At(2200, 4, true);
    if (keeps) s.inPicture = Bits({3});
    score.Sample(s);
    score.Sample(At(4200, 3, true));
    score.EndRace();
    EXPECT_EQ(score.Races()[0].pingPongs, keeps ? 0 : 1);
  }
}

TEST(DirectionScore, RacesAddUpAndLateOrMissingShotsCountAgainst) {
  DirectionScore score;
  FirstRace(score);
  // A second race: the director shows car 4 from 3 s in (the leader is never seen), and
  // an incident of car 4 at 1 s is shown 2.2 s later: too late; the battle at 11 s is not shown.
  score.BeginRace();
  score.Truth(Truth(TruthKind::kIncident, 1000, 4, 0));
  score.Sample(At(3200, 4, true));
  score.Sample(At(3400, 4, false));
  score.Sample(At(3600, 5, false));  // car 5 drifts into the shot and out again: no ping-pong
  score.Sample(At(3800, 4, false));
  score.Flag(1);
  score.Sample(At(11000, 1, true));  // after the start window
  score.BeginRace();                  // a third race begins before the second was closed
  score.EndRace();
  ASSERT_EQ(score.Races().size(), 3u);
  EXPECT_EQ(DirectionJson(score.Races()[1]),
            ",\"races\":1,\"incidents\":1,\"incidents_seen\":0,\"incidents_seen_pct\":0.0,"
            "\"overtakes\":0,\"overtakes_seen\":0,\"overtakes_seen_pct\":null,\"battle_ms\":200,"
            "\"battle_seen_ms\":0,\"battle_seen_pct\":0.0,\"screen_ms\":1000,\"pit_parked_ms\":0,"
            "\"pit_parked_pct\":0.0,\"leader_at_start\":0,\"winner_at_flag\":0,\"cuts\":2,"
            "\"cuts_per_min\":120.0,\"shots\":1,\"median_shot_s\":7.8,\"shortest_shot_s\":7.8,"
            "\"shortest_other_shot_s\":7.8,\"ping_pongs\":0");
  const DirectionFigures total = score.Total();
  EXPECT_EQ(DirectionJson(total),
            ",\"races\":3,\"incidents\":4,\"incidents_seen\":2,\"incidents_seen_pct\":50.0,"
            "\"overtakes\":2,\"overtakes_seen\":1,\"overtakes_seen_pct\":50.0,\"battle_ms\":4200,"
            "\"battle_seen_ms\":3000,\"battle_seen_pct\":71.4,\"screen_ms\":21000,"
            "\"pit_parked_ms\":2000,\"pit_parked_pct\":9.5,\"leader_at_start\":1,"
            "\"winner_at_flag\":1,\"cuts\":7,\"cuts_per_min\":20.0,\"shots\":5,"
            "\"median_shot_s\":4.0,\"shortest_shot_s\":1.0,\"shortest_other_shot_s\":1.0,"
            "\"ping_pongs\":1");
  const std::string text = DirectionText(total);
  EXPECT_NE(text.find("leader at start 33 % (1 of 3 races)\n"), std::string::npos) << text;
  EXPECT_NE(text.find("winner at flag  33 % (1 of 3 races)\n"), std::string::npos) << text;
}

TEST(DirectionScore, NothingDirectedGivesNoFigures) {
  DirectionScore score;
  score.Sample(At(200, 1, true));  // outside a race: not counted
  score.BeginRace();
  score.EndRace();
  EXPECT_EQ(DirectionText(score.Total()),
            "incidents seen  - (0 of 0 on screen within 2 s)\n"
            "overtakes seen  - (0 of 0 on screen as they happened)\n"
            "battles seen    - (0.0 s of 0.0 s of battle)\n"
            "pit or parked   - of the screen time\n"
            "leader at start no\n"
            "winner at flag  no\n"
            "cuts a minute   - /min\n"
            "shots           median 0.0 s, shortest 0.0 s\n"
            "ping-pongs      0\n");
}

}  // namespace
}  // namespace racesim

namespace racesim {
namespace {

// The picture follows car 3 while car 4 runs beside it: car 4's spin and its win are on screen,
// though the figures of screen time go by car 3; car 5, never in the picture, is not.
TEST(DirectionScore, ACarBesideTheOneFollowedIsOnScreenToo) {
  DirectionScore score;
  score.BeginRace();
  for (std::uint32_t ms = 200; ms <= 4000; ms += 200) {
    ScoreSample s = At(ms, 3, ms == 200);
    s.inPicture = Bits({4});
    score.Sample(s);
    if (ms == 1000) score.Truth(Truth(TruthKind::kIncident, 1000, 4, 0));
    if (ms == 1200) score.Truth(Truth(TruthKind::kIncident, 1200, 5, 0));
    if (ms == 2000) score.Truth(Truth(TruthKind::kOvertake, 2000, 5, 4));
  }
  score.Flag(4);
  score.EndRace();
  const DirectionFigures f = score.Total();
  EXPECT_EQ(f.incidents, 2);
  EXPECT_EQ(f.incidentsSeen, 1);
  EXPECT_EQ(f.overtakesSeen, 1);
  EXPECT_EQ(f.winnerAtFlag, 1);
  EXPECT_EQ(f.leaderAtStart, 0);  // car 1 leads and is never in the picture
  EXPECT_EQ(f.battleSeenMs, 0u);  // car 3 is in no battle
}

}  // namespace
}  // namespace racesim
