#include "gui/mapview/map_view.h"

#include <gtest/gtest.h>

#include <tuple>

#include "gui_test_support.h"
#include "platform/thread.h"

namespace gui {
namespace {

using namespace gui::testing;

struct ActionsLog : MapActions {
  void invalidateMap() override { ++invalidated; }
  void takeManualControl() override { ++manual; }
  int invalidated = 0;
  int manual = 0;
};

using Strings = std::vector<std::string>;

class MapTest : public ::testing::Test {
 protected:
  void NewTrack(std::uint32_t nodes, std::uint32_t finish = 0) {
    model.applyTrack(TrackNamed("BL1", nodes, finish));
    Drain(out);
  }
  // Node i at pixel (10 + i, 500) with the identity transform, all its points on the centre.
  void AddLineNode(std::uint32_t i) {
    model.applyTrackNode(
        NodeMsg("BL1", i, {static_cast<std::int32_t>(10 + i), -500, 0, 1, 0, 0, 0, 0}));
  }
  void Transform(std::int32_t scale, std::int32_t offsetX, std::int32_t offsetY) {
    model.track->scale = scale;
    model.track->offsetX = offsetX;
    model.track->offsetY = offsetY;
    model.track->viewValid = true;
  }

  plat::ManualClock clock{10000};
  glink::ToDirectorQueue out;
  ClientModel model{clock, out};
  ActionsLog actions;
  MapView view{model, actions};
  RecordingCanvas canvas;
};

TEST_F(MapTest, FitScalesByTheWiderSideOrAZoomFollowsTheCarsInFocus) {
  NewTrack(10);
  MapTrack& t = *model.track;
  const glink::CarTableMsg twoInFocus =
      Cars({Car(1, 655360, 131072, true), Car(2, 9999999, 0), Car(3, 0, 0, true)});
  const glink::CarTableMsg noFocus = Cars({Car(1, 5, 5)});
  const glink::CarTableMsg negative = Cars({Car(1, -100000, -100001, true)});
  const std::int32_t kMin = -2147483647 - 1, kMax = 2147483647;
  struct Case {
    std::int32_t left, top, right, bottom;
    std::uint16_t zoom;
    const glink::CarTableMsg* cars;
    bool editMode;
    int width, height;
    std::int32_t scale, offsetX, offsetY;
  };
  const Case cases[] = {
      // Fit: sx 11, sy 5.
      {0, 500, 1000, 0, 0, nullptr, false, 100, 100, 11, 50 - 1000 / 22, 500 / 22 + 50},
      // A flat track: its zero width gives 100, the height decides.
      {0, 55000, 0, 0, 0, nullptr, false, 100, 100, 605, 50, 55000 / 1210 + 50},
      // Both flat; a zero-sized map area counts as 100 x 100.
      {0, 0, 0, 0, 0, nullptr, false, 0, 300, 100, 50, 50},
      // Bounds across the whole 32-bit range do not overflow.
      {kMin, kMax, kMax, kMin, 0, nullptr, false, 800, 600,
       static_cast<std::int32_t>(4294967295.0 * 1.1 / 600), 400, 300},
      // 250 m over the shorter side, centred on the mean of the cars in focus; a negative mean
      // truncates toward zero as well.
      {0, 500, 1000, 0, 250, &twoInFocus, false, 800, 600, 27306, 400 - 327680 / 27306,
       65536 / 27306 + 300},
      {0, 500, 1000, 0, 250, &negative, false, 800, 600, 27306, 400 + 3, -3 + 300},
      // No car in focus, or edit mode: Fit, but recomputed on every repaint.
      {0, 500, 1000, 0, 500, &noFocus, false, 100, 100, 11, 5, 72},
      {0, 500, 1000, 0, 500, &twoInFocus, true, 100, 100, 11, 5, 72},
  };
  for (const Case& c : cases) {
    std::tie(t.left, t.top, t.right, t.bottom) = std::tie(c.left, c.top, c.right, c.bottom);
    t.zoom = c.zoom;
    model.applyCars(c.cars != nullptr ? *c.cars : glink::CarTableMsg{});
    model.editMode = c.editMode;
    t.viewValid = c.zoom != 0;  // the opposite of what fitView must leave
    fitView(model, t, c.width, c.height);
    EXPECT_EQ((std::vector<std::int32_t>{t.scale, t.offsetX, t.offsetY}),
              (std::vector<std::int32_t>{c.scale, c.offsetX, c.offsetY}))
        << c.right << "/" << c.zoom;
    EXPECT_EQ(t.viewValid, c.zoom == 0);
  }
}

TEST_F(MapTest, TransformsAndEditModeClicksSendThePickingBox) {
  NewTrack(10);
  Transform(11, 5, 72);
  EXPECT_EQ(toScreen(*model.track, 1000, 500), (Point{1000 / 11 + 5, 72 - 500 / 11}));
  EXPECT_EQ(toScreen(*model.track, -1000, -500), (Point{-90 + 5, 72 + 45}));  // toward zero

  model.applyEditMode(true);
  view.onMapButtonDown(100, 100);
  view.onMapButtonUp();
  view.onMapDoubleClick(100, 100);
  // The pixel box (95, 95)-(105, 105): left, top, right, bottom.
  const Bytes box = Cat({Le32(990), Le32(-253), Le32(1100), Le32(-363)});
  EXPECT_EQ(Drain(out),
            (std::vector<Bytes>{Cat({{0x13, 0x00, 0x01}, box}), Cat({{0x13, 0x00, 0x02}, box})}));
  EXPECT_FALSE(view.band().active());
  EXPECT_EQ(actions.manual, 0);

  // Outside edit mode a double click sends nothing; without a track no click does.
  model.applyEditMode(false);
  view.onMapDoubleClick(100, 100);
  model.applyTrack(glink::TrackMsg{});
  view.onMapButtonDown(100, 100);
  view.onMapDoubleClick(100, 100);
  EXPECT_TRUE(Drain(out).empty());
  EXPECT_FALSE(view.band().active());
}

TEST_F(MapTest, RoadEdgesAreRedOverTheCurrentCamerasRange) {
  struct Case {
    std::uint32_t nodes;
    std::uint16_t start, end;
    bool editMode;
  };
  // A plain range, one that wraps past the last node, one of a single node (no stretch), and no
  // range outside edit mode.
  for (const Case& c : {Case{30, 10, 20, true}, Case{1500, 1490, 5, true}, Case{30, 12, 12, true},
                        Case{30, 10, 20, false}}) {
    model.applyTrack(glink::TrackMsg{});
    NewTrack(c.nodes);
    for (std::uint32_t i = 0; i < c.nodes; ++i) AddLineNode(i);
    Transform(1, 0, 0);
    model.applyEditMode(true);
    model.applyCameraAdded(Camera(0, 15, 100, 100, c.start, c.end));
    model.applyEditMode(c.editMode);
    canvas.segments.clear();
    view.drawTrackMap(canvas, *model.track);
    std::vector<Segment> segs = canvas.segments;
    ASSERT_EQ(segs.size(), 2 * c.nodes);  // closed left and right edges
    for (std::size_t k = 0; k < segs.size(); ++k) {
      const int i = static_cast<int>(k % c.nodes);  // the segment ends at node i
      EXPECT_EQ(segs[k].to, (Point{10 + i, 500}));
      bool red = c.start <= c.end ? i > c.start && i <= c.end : i > c.start || i <= c.end;
      EXPECT_EQ(segs[k].colour, red && c.editMode ? kDarkRed : kGrey) << c.nodes << "/" << k;
    }
    EXPECT_EQ(segs[0].from, (Point{10 + static_cast<int>(c.nodes) - 1, 500}));
  }
}

TEST_F(MapTest, AHalfLoadedTrackDrawsOnlyArrivedNodes) {
  NewTrack(100, 50);
  for (std::uint32_t i = 0; i < 32; ++i) AddLineNode(i);
  AddLineNode(40);  // a lone node draws no line
  Transform(1, 0, 0);
  view.drawTrackMap(canvas, *model.track);
  // Nodes 0 to 31 on each side, closed by nothing: the last node has not arrived.
  std::vector<Segment> segs = canvas.segments;
  ASSERT_EQ(segs.size(), 62u);
  EXPECT_EQ(segs[0].from, (Point{10, 500}));
  EXPECT_EQ(segs[61].to, (Point{41, 500}));
  // The finish line of a node that has not arrived is not drawn.
  EXPECT_TRUE(canvas.listing().empty());
}

TEST_F(MapTest, DrawingOrderWithTheCarListOrInEditMode) {
  NewTrack(3, 1);
  // Nodes 100, 110, 120 units east, 100 south, 3 m of outer limit to each side, road on the
  // centre.
  for (std::int32_t i = 0; i < 3; ++i) {
    model.applyTrackNode(NodeMsg("BL1", i, {100 + i * 10, -100, 0, 1, -3, 3, 0, 0}));
  }
  Transform(1, 0, 0);
  model.applyPlayerLabel(Label(7, "Anna"));
  model.applyCars(Cars({Car(7, 50, -60, true), Car(8, 70, -80)}));
  view.drawTrackMap(canvas, *model.track);
  ASSERT_EQ(canvas.ops.size(), 7u);
  for (int side = 0; side < 2; ++side) {  // the edges come first
    EXPECT_EQ(canvas.ops[side], "polyline grey 120,100 100,100 110,100 120,100");
  }
  EXPECT_EQ(canvas.listing(), (Strings{"ellipse grey 67,77 73,83",
                                       "line grey 196717,100 -196497,100",  // finish line
                                       "text red 2,2 ' 1. Anna'", "text black 2,15 ' 2. '",
                                       "ellipse darkred 47,57 53,63"}));  // in focus, last
  EXPECT_EQ(view.listMetrics().lineHeight, 13);
  EXPECT_EQ(view.listMetrics().maxCharWidth, 8);

  model.applyEditMode(true);
  model.applyCameraAdded(Camera(0, 0, 20, -20, 1, 2));
  model.applyCameraAdded(Camera(1, 1, 40, -40, 2, 1));
  model.applyCurrentCamera(0);
  model.applyViewPos({30, -30});
  canvas.ops.clear();
  view.drawTrackMap(canvas, *model.track);
  EXPECT_EQ(canvas.listing(), (Strings{"ellipse grey 67,77 73,83",
                                       "line grey 196707,100 -196507,100",  // node 0
                                       "line black 37,37 44,44",            // the other camera's X
                                       "line black 43,37 36,44",
                                       "line darkred 17,17 24,24",  // the current camera
                                       "line darkred 23,17 16,24",
                                       "line darkred 196717,100 -196497,100",  // its range
                                       "line darkred 196727,100 -196487,100",
                                       "ellipse darkred 27,27 33,33",  // the view position
                                       "ellipse darkred 47,57 53,63"}));
}

TEST_F(MapTest, RaceClockAndRefit) {
  char text[9];
  const std::pair<std::uint32_t, const char*> clocks[] = {
      {3725000, "01:02:05"}, {100u * 3600000u, "100:00:0"}, {0xFFFFFFFFu, "1193:02:"}};
  for (const auto& [ms, expected] : clocks) {
    FormatRaceClock(ms, text);
    EXPECT_STREQ(text, expected);
  }

  NewTrack(2);
  AddLineNode(0);
  model.applyRaceClock(3720000);
  clock.Advance(5000);
  view.paintMap(canvas, 400, 300);
  const Strings painted = {"clear", "line grey 200,150 200,150", "text> black 398,2 '01:02:05'"};
  EXPECT_EQ(canvas.listing(), painted);
  // A valid Fit view is not recomputed; a zoom is, on every repaint.
  EXPECT_TRUE(model.track->viewValid);
  model.track->scale = 77;
  view.paintMap(canvas, 100, 100);
  EXPECT_EQ(model.track->scale, 77);
  model.track->zoom = 1000;
  view.paintMap(canvas, 100, 100);
  EXPECT_NE(model.track->scale, 77);

  // No clock without race time, and nothing but the background without nodes.
  model.applyRaceClock(0);
  canvas.ops.clear();
  view.paintMap(canvas, 400, 300);
  EXPECT_EQ(canvas.listing(), Strings(painted.begin(), painted.end() - 1));
  model.applyTrack(TrackNamed("XX", 5));
  canvas.ops.clear();
  view.paintMap(canvas, 400, 300);
  EXPECT_EQ(canvas.listing(), Strings{"clear"});
}

TEST_F(MapTest, RubberBandAndClicksPickTheCarsInside) {
  NewTrack(2);
  Transform(1, 0, 0);
  // Cars at pixels (100, 100), (120, 130), (300, 300).
  model.applyCars(Cars({Car(1, 100, -100), Car(2, 120, -130), Car(3, 300, -300)}));
  view.onMapButtonDown(90, 90);
  view.onMapMouseMove(150, 140);
  EXPECT_EQ(actions.invalidated, 1);
  view.paintMap(canvas, 400, 400);
  EXPECT_EQ(canvas.listing().back(), "polyline bandgrey dotted 90,90 150,90 150,140 90,140 90,90");
  view.onMapButtonUp();
  EXPECT_EQ(actions.invalidated, 2);
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x06, 0x00, 0x0F, 0x02, 1, 2}}));

  struct Case {
    Point down, up;
    Bytes sent;
  };
  const Case cases[] = {
      {{150, 140}, {90, 90}, {}},  // dragged to the upper left: an empty box
      // A click picks the cars within 5 pixels of it.
      {{104, 95}, {104, 95}, {0x05, 0x00, 0x0F, 0x01, 1}},
      {{106, 100}, {106, 100}, {}},
      {{0, 100}, {100, 100}, {}},  // a press on the left column starts no band
  };
  int picks = 1;
  for (const Case& c : cases) {
    view.onMapButtonDown(c.down.x, c.down.y);
    if (!(c.up == c.down)) view.onMapMouseMove(c.up.x, c.up.y);
    view.onMapButtonUp();
    EXPECT_FALSE(view.band().active());
    EXPECT_EQ(Drain(out), c.sent.empty() ? std::vector<Bytes>{} : std::vector<Bytes>{c.sent});
    picks += c.sent.empty() ? 0 : 1;
    EXPECT_EQ(actions.manual, picks);
  }
}

TEST_F(MapTest, ACarNameInTheListIsHit) {
  NewTrack(2);
  AddLineNode(0);
  model.applyCars(Cars({Car(11, 0, 0), Car(12, 0, 0), Car(13, 0, 0)}));
  model.applyPlayerLabel(Label(12, "Bob"));
  // Before the list was drawn no name can be hit.
  view.onMapButtonDown(10, 20);
  view.onMapButtonUp();
  EXPECT_TRUE(Drain(out).empty());

  view.paintMap(canvas, 400, 300);
  // Second line: y from 15 to 28 exclusive; "Bob" has 7 characters with its number, 8 px each.
  view.onMapButtonDown(10, 20);
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x05, 0x00, 0x0F, 0x01, 12}}));
  EXPECT_EQ(actions.manual, 1);
  EXPECT_TRUE(view.band().active());  // the press still starts a band
  view.onMapButtonUp();
  Drain(out);
  // (3 + 4) * 8 + 2 = 58: x = 57 is still on the name, 58 is past it; y = 15 is the border.
  for (Point p : {Point{57, 20}, Point{58, 20}, Point{10, 15}}) {
    view.onMapButtonDown(p.x, p.y);
    view.onMapButtonUp();
  }
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x05, 0x00, 0x0F, 0x01, 12}}));
}

// With a pick radius a click that the 5-pixel box misses takes the nearest car within the radius,
// at its place of the press or of the release; what the box catches and every drag stay as they
// were, and so does a click on the car list.
TEST_F(MapTest, APickRadiusTakesTheNearestCarAClickMissed) {
  NewTrack(2);
  Transform(1, 0, 0);
  model.applyCars(Cars({Car(1, 100, -100), Car(2, 120, -100), Car(3, 300, -300)}));
  view.setPickRadius(12);
  struct Case {
    const char* what;
    Point down, up;
    Bytes sent;
  };
  const Case cases[] = {
      {"the box catches car 1", {104, 95}, {104, 95}, {0x05, 0x00, 0x0F, 0x01, 1}},
      {"car 1 is 6 px away", {106, 100}, {106, 100}, {0x05, 0x00, 0x0F, 0x01, 1}},
      {"car 2 is nearer", {111, 100}, {111, 100}, {0x05, 0x00, 0x0F, 0x01, 2}},
      {"12 px is within", {288, 300}, {288, 300}, {0x05, 0x00, 0x0F, 0x01, 3}},
      {"13 px is not", {287, 300}, {287, 300}, {}},
      {"a drag keeps its box", {150, 150}, {200, 200}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    view.onMapButtonDown(c.down.x, c.down.y);
    if (!(c.up == c.down)) view.onMapMouseMove(c.up.x, c.up.y);
    view.onMapButtonUp();
    EXPECT_EQ(Drain(out), c.sent.empty() ? std::vector<Bytes>{} : std::vector<Bytes>{c.sent});
  }

  // Car 3 drives on while the button is down: the click counts where it was drawn at the press.
  view.onMapButtonDown(310, 300);
  model.applyCars(Cars({Car(1, 100, -100), Car(2, 120, -100), Car(3, 340, -300)}));
  view.onMapButtonUp();
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x05, 0x00, 0x0F, 0x01, 3}}));
  // ... and where it stands at the release.
  view.onMapButtonDown(350, 300);
  view.onMapButtonUp();
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x05, 0x00, 0x0F, 0x01, 3}}));

  // A press on a name of the car list picks that car only, not also the car 9 px away.
  model.applyCars(Cars({Car(1, 300, -300), Car(2, 18, -12)}));
  AddLineNode(0);
  Transform(1, 0, 0);
  view.paintMap(canvas, 400, 400);
  view.onMapButtonDown(10, 7);
  view.onMapButtonUp();
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x05, 0x00, 0x0F, 0x01, 1}}));
}

}  // namespace
}  // namespace gui
