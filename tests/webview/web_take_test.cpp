#include "web/web_take.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "director/engine/director_state.h"
#include "director/engine/track_path.h"
#include "tests/webview/web_test_support.h"

namespace director {
namespace {

using webtest::AddCar;

struct Scene {
  RaceState race;
  StateReport state;
  DirectorState director;
  std::unique_ptr<TrackPath> track = std::make_unique<TrackPath>("BL1");
  WebTiming timing;
  std::unique_ptr<WebSnapshot> snap = std::make_unique<WebSnapshot>();
  bool active = true;
  bool onboard = false;

  const WebSnapshot& Take(std::int64_t raceNow = 1000) {
    const WebSources src{race, state, director, track.get(), active, onboard};
    TakeWebSnapshot(src, raceNow, 42, timing, snap.get());
    return *snap;
  }
  std::string Order() {
    std::string order;
    for (int i = 0; i < snap->rowCount; ++i) order += std::to_string(snap->rows[i].plid) + " ";
    return order;
  }
};

TEST(WebTake, StandingsFollowTheSimulatorsPositionThenDistance) {
  Scene s;
  AddCar(s.race, 5, "^1Red", 2);
  AddCar(s.race, 3, "Blue", 1);
  AddCar(s.race, 9, "late", 0);   // no position yet: after the placed cars, by distance
  AddCar(s.race, 7, "later", 0);
  s.race.players[9].raceDistance = 100;
  s.race.players[7].raceDistance = 200;
  s.race.players[5].inPitLane = 1;
  s.race.players[5].stopCount = 2;
  s.Take();
  EXPECT_EQ(s.Order(), "3 5 7 9 ");
  EXPECT_FALSE(s.snap->fromResults);
  EXPECT_STREQ(s.snap->rows[1].name, "^1Red");
  EXPECT_STREQ(s.snap->rows[1].car, "XRT");
  EXPECT_TRUE(s.snap->rows[1].pitLane);
  EXPECT_EQ(s.snap->rows[1].stops, 2);
  EXPECT_EQ(s.snap->rows[1].gapMs, kWebUnknown);
  EXPECT_EQ(s.snap->carCount, 4);
  EXPECT_EQ(s.snap->stampMs, 42);
  EXPECT_TRUE(s.snap->connected);
}

TEST(WebTake, FinishersComeFirstInResultOrderWithTheirGaps) {
  Scene s;
  AddCar(s.race, 1, "one", 1, 3, 180000);
  AddCar(s.race, 2, "two", 2, 3, 181000);
  AddCar(s.race, 4, "four", 3, 2, 150000);
  s.race.results.entries[0].plid = 2;  // two won
  std::snprintf(s.race.results.entries[0].playerName, kResNameSize, "two");
  s.race.results.entries[0].totalTime = 181000;
  s.race.results.entries[0].lapsDone = 3;
  s.race.results.entries[1].plid = 1;
  std::snprintf(s.race.results.entries[1].playerName, kResNameSize, "one");
  s.race.results.entries[1].totalTime = 182500;
  s.race.results.entries[1].lapsDone = 3;
  s.race.resultCount = 2;
  s.state.raceLaps = 3;
  s.Take();
  EXPECT_EQ(s.Order(), "2 1 4 ");
  EXPECT_TRUE(s.snap->fromResults);
  EXPECT_TRUE(s.snap->rows[0].finished);
  EXPECT_EQ(s.snap->rows[1].gapMs, 1500);
  EXPECT_EQ(s.snap->rows[1].intervalMs, 1500);
  EXPECT_FALSE(s.snap->rows[2].finished);
  EXPECT_EQ(s.snap->clock.lapsTotal, 3);
  EXPECT_EQ(s.snap->clock.lapsLeft, 0);
  EXPECT_TRUE(s.snap->clock.finished);
}

TEST(WebTake, GapsAndIntervalsComeFromTheLapLine) {
  Scene s;
  AddCar(s.race, 1, "a", 1, 1, 60000);
  AddCar(s.race, 2, "b", 2, 1, 60800);
  AddCar(s.race, 3, "c", 3, 1, 62000);
  s.state.raceLaps = 5;
  s.Take();
  EXPECT_EQ(s.snap->rows[0].gapMs, kWebUnknown);
  EXPECT_EQ(s.snap->rows[1].gapMs, 800);
  EXPECT_EQ(s.snap->rows[1].intervalMs, 800);
  EXPECT_EQ(s.snap->rows[2].gapMs, 2000);
  EXPECT_EQ(s.snap->rows[2].intervalMs, 1200);
  EXPECT_EQ(s.snap->clock.lapsLeft, 4);
  EXPECT_EQ(s.snap->clock.raceTimeMs, 1000);
}

TEST(WebTake, TheShotIsTheDirectorsWhileItDirectsAndTheSimulatorsOtherwise) {
  Scene s;
  AddCar(s.race, 1, "a", 1);
  AddCar(s.race, 2, "b", 2);
  s.track->cameras.count = 2;
  s.track->cameras.cameras[1].x = 65536 * 10;
  s.track->cameras.cameras[1].y = -65536 * 5;
  s.track->cameras.cameras[1].rangeStart = 40;
  s.track->cameras.cameras[1].rangeEnd = 7;
  s.director.followedCar = 2;
  s.director.liveCamera = 1;
  reasonText(&s.director.reason, "battle for P1, 0.4 s");
  s.Take();
  EXPECT_EQ(s.snap->shot.plid, 2);
  EXPECT_EQ(s.snap->shot.view, WebView::kCamera);
  EXPECT_EQ(s.snap->shot.camera, 1);
  EXPECT_STREQ(s.snap->shot.reason, "battle for P1, 0.4 s");
  EXPECT_TRUE(s.snap->camera.live);
  EXPECT_FLOAT_EQ(s.snap->camera.x, 10.0f);
  EXPECT_FLOAT_EQ(s.snap->camera.y, -5.0f);
  EXPECT_EQ(s.snap->camera.from, 40);
  EXPECT_EQ(s.snap->camera.to, 7);
  EXPECT_TRUE(s.snap->rows[1].followed);
  EXPECT_FALSE(s.snap->rows[0].followed);
  EXPECT_TRUE(s.snap->cars[1].followed);

  s.onboard = true;
  s.Take();
  EXPECT_EQ(s.snap->shot.view, WebView::kOnboard);
  EXPECT_EQ(s.snap->shot.camera, -1);
  EXPECT_FALSE(s.snap->camera.live);

  s.active = false;
  s.state.viewPlid = 1;
  s.Take();
  EXPECT_EQ(s.snap->shot.plid, 1);
  EXPECT_EQ(s.snap->shot.view, WebView::kNone);
  EXPECT_STREQ(s.snap->shot.reason, "");
}

TEST(WebTake, RaceLapsFollowTheStateReportsCoding) {
  EXPECT_EQ(RaceLapCount(0, false), 0);
  EXPECT_EQ(RaceLapCount(1, false), 1);
  EXPECT_EQ(RaceLapCount(99, false), 99);
  EXPECT_EQ(RaceLapCount(100, false), 100);
  EXPECT_EQ(RaceLapCount(101, false), 110);
  EXPECT_EQ(RaceLapCount(190, false), 1000);
  EXPECT_EQ(RaceLapCount(191, false), 0) << "a race of hours";
  EXPECT_EQ(RaceLapCount(20, true), 0) << "an untimed race";
}

TEST(WebTake, PositionsAreMetresAndHeadingsRadians) {
  Scene s;
  AddCar(s.race, 1, "a", 1);
  s.race.players[1].carSample.x = 65536 * 3 / 2;
  s.race.players[1].carSample.y = -65536 * 2;
  s.race.players[1].carSample.heading = 16384;
  s.Take();
  EXPECT_FLOAT_EQ(s.snap->cars[0].x, 1.5f);
  EXPECT_FLOAT_EQ(s.snap->cars[0].y, -2.0f);
  EXPECT_NEAR(s.snap->cars[0].heading, 1.5708f, 1e-4f);
}

}  // namespace
}  // namespace director
