#include "web/http/web_json.h"

#include <gtest/gtest.h>

#include <memory>

namespace director {
namespace {

TEST(WebJson, ASnapshotIsWrittenWithNullForWhatIsNotKnown) {
  auto s = std::make_unique<WebSnapshot>();
  s->seq = 7;
  s->stampMs = 1765112345678;
  s->connected = true;
  std::snprintf(s->trackName, sizeof s->trackName, "BL1");
  s->trackVersion = 2;
  s->clock.raceTimeMs = 83400;
  s->clock.lapsTotal = 5;
  s->clock.lapsLeft = 3;
  s->shot.plid = 7;
  s->shot.view = WebView::kOnboard;
  std::snprintf(s->shot.reason, sizeof s->shot.reason, "hold");
  s->rowCount = 2;
  s->rows[0].plid = 7;
  std::snprintf(s->rows[0].name, sizeof s->rows[0].name, "^1B\xe9");
  std::snprintf(s->rows[0].car, sizeof s->rows[0].car, "XRT");
  s->rows[0].laps = 2;
  s->rows[0].followed = true;
  s->rows[1].plid = 3;
  s->rows[1].gapMs = 1234;
  s->rows[1].intervalMs = 1234;
  s->rows[1].pitLane = true;
  s->carCount = 1;
  s->cars[0] = WebCar{7, 12.345f, -304.2f, 1.5708f, true};
  EXPECT_EQ(StateJson(*s),
            R"({"camera":null,"cars":[{"followed":true,"heading":1.571,"plid":7,"x":12.35,"y":-304.2}],)"
            R"("clock":{"finished":false,"lapsLeft":3,"lapsTotal":5,"raceTime":83400},"connected":true,)"
            R"("seq":7,"shot":{"camera":null,"name":"^1Bé","plid":7,"reason":"hold","view":"onboard"},)"
            R"("stamp":1765112345678,"standings":{"rows":[)"
            R"({"car":"XRT","finished":false,"followed":true,"gap":null,"interval":null,"laps":2,)"
            R"("lapsDown":0,"name":"^1Bé","pitLane":false,"plid":7,"pos":1,"stops":0},)"
            R"({"car":"","finished":false,"followed":false,"gap":1234,"interval":1234,"laps":0,)"
            R"("lapsDown":0,"name":"","pitLane":true,"plid":3,"pos":2,"stops":0}],"source":"race"},)"
            R"("track":{"name":"BL1","version":2}})");
}

TEST(WebJson, TheLiveCameraCarriesItsPlaceAndRange) {
  auto s = std::make_unique<WebSnapshot>();
  s->shot.plid = -1;
  s->shot.view = WebView::kCamera;
  s->shot.camera = 4;
  s->camera = WebCamera{true, 10.0f, -290.5f, 120, 180};
  s->fromResults = true;
  const std::string json = StateJson(*s);
  EXPECT_NE(json.find(R"("camera":{"from":120,"index":4,"to":180,"x":10.0,"y":-290.5})"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find(R"("shot":{"camera":4,"name":"","plid":null,"reason":"","view":"camera"})"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find(R"("source":"results")"), std::string::npos);
}

TEST(WebJson, TheTrackIsItsLinesInMetres) {
  WebTrack t;
  t.name = "AS1";
  t.version = 3;
  t.finish = 1;
  t.centre = {{1.0f, 2.0f}, {3.5f, 4.0f}};
  t.left = {{0.0f, 2.0f}, {2.5f, 4.0f}};
  t.right = {{2.0f, 2.0f}, {4.5f, 4.0f}};
  t.pits = {{{9.0f, 9.0f}}};
  EXPECT_EQ(TrackJson(t),
            R"({"centre":[[1.0,2.0],[3.5,4.0]],"finish":1,"left":[[0.0,2.0],[2.5,4.0]],)"
            R"("name":"AS1","pit":[[[9.0,9.0]]],"right":[[2.0,2.0],[4.5,4.0]],"version":3})");
}

TEST(WebJson, SimulatorTextBecomesUtf8WithoutControlCharacters) {
  EXPECT_EQ(Latin1ToUtf8("abc"), "abc");
  EXPECT_EQ(Latin1ToUtf8("\xe9\xff"), "\xc3\xa9\xc3\xbf");
  EXPECT_EQ(Latin1ToUtf8("a\x01\x1f" "b"), "ab");
  EXPECT_EQ(Latin1ToUtf8("^7<b>\"x\""), "^7<b>\"x\"") << "escaping is the JSON writer's job";
}

}  // namespace
}  // namespace director
