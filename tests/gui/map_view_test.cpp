#include "gui/mapview/map_view.h"

#include <gtest/gtest.h>

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

class MapTest : public ::testing::Test {
 protected:
  void NewTrack(std::uint32_t nodes, std::uint32_t finish = 0) {
    model.applyTrack(TrackNamed("BL1", nodes, finish));
    Drain(out);
  }
  // Node i at pixel (10 + i, 500) with the identity transform: road points on the centre,
  // outer points 3 units to each side.
  void AddLineNode(std::uint32_t i) {
    model.applyTrackNode(
        NodeMsg("BL1", i, {static_cast<std::int32_t>(10 + i), -500, 0, 1, 0, 0, 0, 0}));
  }
  void Identity() {
    model.track->scale = 1;
    model.track->offsetX = 0;
    model.track->offsetY = 0;
    model.track->viewValid = true;
  }
  // The colour of the segment of the road edge that ends at node i (pixel x = 10 + i).
  static Colour SegmentTo(const std::vector<Segment>& segs, int i) {
    for (const Segment& s : segs) {
      if (s.to.x == 10 + i) return s.colour;
    }
    return Colour{1, 2, 3};
  }

  plat::ManualClock clock{10000};
  glink::ToDirectorQueue out;
  ClientModel model{clock, out};
  ActionsLog actions;
  MapView view{model, actions};
  RecordingCanvas canvas;
};

TEST_F(MapTest, FitScalesByTheWiderSideWithATenthToSpare) {
  NewTrack(10);
  MapTrack& t = *model.track;
  t.left = 0;
  t.right = 1000;
  t.bottom = 0;
  t.top = 500;
  fitView(model, t, 100, 100);
  EXPECT_EQ(t.scale, 11);  // sx 11, sy 5
  EXPECT_EQ(t.offsetX, 50 - 1000 / 22);
  EXPECT_EQ(t.offsetY, 500 / 22 + 50);
  EXPECT_TRUE(t.viewValid);

  // A flat track: its zero width gives 100, the height decides.
  t.right = 0;
  t.top = 55000;
  fitView(model, t, 100, 100);
  EXPECT_EQ(t.scale, 605);
  // Both flat: 100. A zero-sized window counts as 100 x 100.
  t.top = 0;
  fitView(model, t, 0, 300);
  EXPECT_EQ(t.scale, 100);
  EXPECT_EQ(t.offsetX, 50);
  EXPECT_EQ(t.offsetY, 50);

  // Bounds across the whole 32-bit range do not overflow.
  t.left = -2147483647 - 1;
  t.right = 2147483647;
  t.bottom = -2147483647 - 1;
  t.top = 2147483647;
  fitView(model, t, 800, 600);
  EXPECT_EQ(t.scale, static_cast<std::int32_t>(4294967295.0 * 1.1 / 600));
  EXPECT_EQ(t.offsetX, 400);
  EXPECT_EQ(t.offsetY, 300);
}

TEST_F(MapTest, ZoomFollowsTheCarsInFocusOrFallsBackToFit) {
  NewTrack(10);
  MapTrack& t = *model.track;
  t.left = 0;
  t.right = 1000;
  t.bottom = 0;
  t.top = 500;
  t.zoom = 250;
  model.applyCars(Cars({Car(1, 655360, 131072, true), Car(2, 9999999, 0), Car(3, 0, 0, true)}));
  fitView(model, t, 800, 600);
  EXPECT_EQ(t.scale, 27306);  // max(16384000 / 800, 16384000 / 600)
  EXPECT_EQ(t.offsetX, 400 - 327680 / 27306);
  EXPECT_EQ(t.offsetY, 65536 / 27306 + 300);
  EXPECT_FALSE(t.viewValid);
  // The mean of negative positions truncates toward zero as well.
  model.applyCars(Cars({Car(1, -100000, -100001, true)}));
  fitView(model, t, 800, 600);
  EXPECT_EQ(t.offsetX, 400 + 3);
  EXPECT_EQ(t.offsetY, -3 + 300);

  // No car in focus: Fit, but still recomputed on every repaint.
  t.zoom = 500;
  model.applyCars(Cars({Car(1, 5, 5)}));
  fitView(model, t, 100, 100);
  EXPECT_EQ(t.scale, 11);
  EXPECT_FALSE(t.viewValid);
  // In edit mode a zoom is not followed either.
  model.applyCars(Cars({Car(1, 5, 5, true)}));
  model.editMode = true;
  fitView(model, t, 100, 100);
  EXPECT_EQ(t.scale, 11);
}

TEST_F(MapTest, ScreenAndWorldTransforms) {
  NewTrack(10);
  MapTrack& t = *model.track;
  t.scale = 11;
  t.offsetX = 5;
  t.offsetY = 72;
  EXPECT_EQ(toScreen(t, 1000, 500), (Point{1000 / 11 + 5, 72 - 500 / 11}));
  EXPECT_EQ(toScreen(t, -1000, -500), (Point{-90 + 5, 72 + 45}));  // truncation toward zero
  glink::PickRect r = toWorldRect(t, 95, 95, 105, 105);
  EXPECT_EQ(r.left, 990);
  EXPECT_EQ(r.top, -253);
  EXPECT_EQ(r.right, 1100);
  EXPECT_EQ(r.bottom, -363);
  EXPECT_LT(r.left, r.right);
  EXPECT_GT(r.top, r.bottom);
}

TEST_F(MapTest, EditModeClicksSendThePickingBox) {
  NewTrack(10);
  MapTrack& t = *model.track;
  t.scale = 11;
  t.offsetX = 5;
  t.offsetY = 72;
  model.applyEditMode(true);
  view.onMapButtonDown(100, 100);
  view.onMapButtonUp();
  view.onMapDoubleClick(100, 100);
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
  NewTrack(30);
  for (std::uint32_t i = 0; i < 30; ++i) AddLineNode(i);
  Identity();
  model.applyEditMode(true);
  model.applyCameraAdded(Camera(0, 15, 100, 100, 10, 20));
  view.drawTrackMap(canvas, *model.track);
  std::vector<Segment> segs = canvas.segments();
  ASSERT_EQ(segs.size(), 60u);  // closed left and right edges
  for (int side = 0; side < 2; ++side) {
    std::vector<Segment> edge(segs.begin() + side * 30, segs.begin() + side * 30 + 30);
    EXPECT_EQ(edge[0].from, (Point{10 + 29, 500}));  // starts at the last node
    for (int i = 0; i < 30; ++i) {
      EXPECT_EQ(SegmentTo(edge, i), (i > 10 && i <= 20) ? kDarkRed : kGrey) << side << "/" << i;
    }
  }
  // Without edit mode there is no range.
  canvas.ops.clear();
  model.applyEditMode(false);
  view.drawTrackMap(canvas, *model.track);
  for (const Segment& s : canvas.segments()) EXPECT_EQ(s.colour, kGrey);
}

TEST_F(MapTest, AWrappingRangeIsRedPastTheLastNode) {
  NewTrack(1500);
  for (std::uint32_t i = 0; i < 1500; ++i) AddLineNode(i);
  Identity();
  model.applyEditMode(true);
  model.applyCameraAdded(Camera(0, 1495, 0, 0, 1490, 5));
  view.drawTrackMap(canvas, *model.track);
  std::vector<Segment> segs = canvas.segments();
  ASSERT_EQ(segs.size(), 3000u);
  for (int side = 0; side < 2; ++side) {
    std::vector<Segment> edge(segs.begin() + side * 1500, segs.begin() + side * 1500 + 1500);
    for (int i = 0; i < 1500; ++i) {
      EXPECT_EQ(SegmentTo(edge, i), (i > 1490 || i <= 5) ? kDarkRed : kGrey) << side << "/" << i;
    }
  }
}

TEST_F(MapTest, AHalfLoadedTrackDrawsOnlyArrivedNodes) {
  NewTrack(100);
  for (std::uint32_t i = 0; i < 32; ++i) AddLineNode(i);
  AddLineNode(40);  // a lone node draws no line
  Identity();
  view.drawTrackMap(canvas, *model.track);
  std::vector<Segment> segs = canvas.segments();
  ASSERT_EQ(segs.size(), 62u);
  for (const Segment& s : segs) {
    EXPECT_GE(s.from.x, 10);
    EXPECT_LE(s.to.x, 10 + 31);
    EXPECT_EQ(s.to.x, s.from.x + 1);
    EXPECT_EQ(s.from.y, 500);
  }
  // The finish line of a node that has not arrived is not drawn.
  model.track->finishNode = 50;
  canvas.ops.clear();
  view.drawTrackMap(canvas, *model.track);
  EXPECT_TRUE(canvas.of(DrawOp::kLine).empty());
}

TEST_F(MapTest, CarsListAndFinishLineInDrawingOrder) {
  NewTrack(3, 1);
  for (std::uint32_t i = 0; i < 3; ++i) {
    model.applyTrackNode(
        NodeMsg("BL1", i, {static_cast<std::int32_t>(100 + i * 10), -100, 0, 1, -3, 3, 0, 0}));
  }
  Identity();
  glink::PlayerLabelMsg label;
  label.plid = 7;
  std::strcpy(label.text, "Anna");
  model.applyPlayerLabel(label);
  model.applyCars(Cars({Car(7, 50, -60, true), Car(8, 70, -80)}));
  view.drawTrackMap(canvas, *model.track);

  std::vector<DrawOp> after;
  bool edgesDone = false;
  for (const DrawOp& op : canvas.ops) {
    if (op.kind != DrawOp::kPolyline) edgesDone = true;
    if (edgesDone) {
      after.push_back(op);
      EXPECT_NE(op.kind, DrawOp::kPolyline);  // edges come first
    }
  }
  ASSERT_EQ(after.size(), 5u);
  EXPECT_EQ(after[0].kind, DrawOp::kEllipse);  // the car without focus, grey
  EXPECT_EQ(after[0].colour, kGrey);
  EXPECT_EQ(after[0].points, (std::vector<Point>{{67, 77}, {73, 83}}));
  EXPECT_EQ(after[1].kind, DrawOp::kLine);  // the finish line, outer right to outer left
  EXPECT_EQ(after[1].colour, kGrey);
  EXPECT_EQ(after[1].points, (std::vector<Point>{{110 + 196607, 100}, {110 - 196607, 100}}));
  EXPECT_EQ(after[2].kind, DrawOp::kText);
  EXPECT_EQ(after[2].text, " 1. Anna");
  EXPECT_EQ(after[2].colour, kRed);
  EXPECT_EQ(after[2].points[0], (Point{2, 2}));
  EXPECT_EQ(after[3].text, " 2. ");
  EXPECT_EQ(after[3].colour, kBlack);
  EXPECT_EQ(after[3].points[0], (Point{2, 13 + 2}));
  EXPECT_EQ(after[4].kind, DrawOp::kEllipse);  // the car in focus, last and dark red
  EXPECT_EQ(after[4].colour, kDarkRed);
  EXPECT_EQ(after[4].points, (std::vector<Point>{{47, 57}, {53, 63}}));
  EXPECT_EQ(view.listMetrics().lineHeight, 13);
  EXPECT_EQ(view.listMetrics().maxCharWidth, 8);
}

TEST_F(MapTest, EditModeDrawsCamerasAndTheViewPosition) {
  NewTrack(3, 2);
  for (std::uint32_t i = 0; i < 3; ++i) {
    model.applyTrackNode(
        NodeMsg("BL1", i, {static_cast<std::int32_t>(100 + i * 10), -100, 0, 1, -3, 3, 0, 0}));
  }
  Identity();
  model.applyEditMode(true);
  model.applyCameraAdded(Camera(0, 0, 20, -20, 1, 2));
  model.applyCameraAdded(Camera(1, 1, 40, -40, 2, 1));
  model.applyCurrentCamera(0);
  model.applyViewPos({30, -30});
  model.applyCars(Cars({Car(3, 0, 0)}));
  view.drawTrackMap(canvas, *model.track);

  std::vector<DrawOp> lines = canvas.of(DrawOp::kLine);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0].colour, kGrey);  // node 0 across the road
  EXPECT_EQ(lines[0].points, (std::vector<Point>{{100 + 196607, 100}, {100 - 196607, 100}}));
  EXPECT_EQ(lines[1].colour, kBlack);  // the other camera's X
  EXPECT_EQ(lines[1].points, (std::vector<Point>{{37, 37}, {44, 44}}));
  EXPECT_EQ(lines[2].points, (std::vector<Point>{{43, 37}, {36, 44}}));
  for (int i = 3; i < 7; ++i) EXPECT_EQ(lines[i].colour, kDarkRed);
  EXPECT_EQ(lines[3].points, (std::vector<Point>{{17, 17}, {24, 24}}));
  EXPECT_EQ(lines[4].points, (std::vector<Point>{{23, 17}, {16, 24}}));
  EXPECT_EQ(lines[5].points, (std::vector<Point>{{110 + 196607, 100}, {110 - 196607, 100}}));
  EXPECT_EQ(lines[6].points, (std::vector<Point>{{120 + 196607, 100}, {120 - 196607, 100}}));
  std::vector<DrawOp> circles = canvas.of(DrawOp::kEllipse);
  ASSERT_EQ(circles.size(), 2u);
  EXPECT_EQ(circles[1].colour, kDarkRed);  // the view position
  EXPECT_EQ(circles[1].points, (std::vector<Point>{{27, 27}, {33, 33}}));
  EXPECT_TRUE(canvas.of(DrawOp::kText).empty());  // no car list in edit mode
}

TEST_F(MapTest, RaceClockShowsHoursMinutesSecondsInEightCharacters) {
  char text[9];
  FormatRaceClock(3725000, text);
  EXPECT_STREQ(text, "01:02:05");
  FormatRaceClock(100u * 3600000u, text);
  EXPECT_STREQ(text, "100:00:0");
  FormatRaceClock(0xFFFFFFFFu, text);
  EXPECT_STREQ(text, "1193:02:");

  NewTrack(2);
  AddLineNode(0);
  model.applyRaceClock(3720000);
  clock.Advance(5000);
  view.paintMap(canvas, 400, 300);
  std::vector<DrawOp> texts = canvas.of(DrawOp::kText);
  ASSERT_FALSE(texts.empty());
  // cppcheck-suppress literalWithCharPtrCompare ; text is a std::string
  EXPECT_EQ(texts.back().text, "01:02:05");
  EXPECT_EQ(texts.back().points[0], (Point{398, 2}));
  EXPECT_EQ(texts.back().align, TextAlign::kRight);
  EXPECT_EQ(texts.back().colour, kBlack);
  EXPECT_EQ(canvas.ops.front().kind, DrawOp::kClear);

  // No clock without race time, and nothing but the background without nodes.
  model.applyRaceClock(0);
  canvas.ops.clear();
  view.paintMap(canvas, 400, 300);
  for (const DrawOp& op : canvas.of(DrawOp::kText)) EXPECT_NE(op.align, TextAlign::kRight);
  model.applyTrack(TrackNamed("XX", 5));
  canvas.ops.clear();
  view.paintMap(canvas, 400, 300);
  EXPECT_EQ(canvas.ops.size(), 1u);
}

TEST_F(MapTest, PaintRefitsOnlyWhenNeeded) {
  NewTrack(2);
  AddLineNode(0);
  AddLineNode(1);
  view.paintMap(canvas, 100, 100);
  EXPECT_TRUE(model.track->viewValid);
  model.track->scale = 77;  // a valid Fit view is not recomputed
  view.paintMap(canvas, 100, 100);
  EXPECT_EQ(model.track->scale, 77);
  model.track->zoom = 1000;  // a zoom is recomputed on every repaint
  view.paintMap(canvas, 100, 100);
  EXPECT_NE(model.track->scale, 77);
}

TEST_F(MapTest, RubberBandPicksTheCarsInside) {
  NewTrack(2);
  Identity();
  // Cars at pixels (100, 100), (120, 130), (300, 300).
  model.applyCars(Cars({Car(1, 100, -100), Car(2, 120, -130), Car(3, 300, -300)}));
  view.onMapButtonDown(90, 90);
  EXPECT_TRUE(view.band().active());
  view.onMapMouseMove(150, 140);
  EXPECT_EQ(actions.invalidated, 1);
  view.paintMap(canvas, 400, 400);
  const DrawOp& band = canvas.ops.back();
  EXPECT_EQ(band.kind, DrawOp::kPolyline);
  EXPECT_TRUE(band.dotted);
  EXPECT_EQ(band.colour, kBandGrey);
  EXPECT_EQ(band.points,
            (std::vector<Point>{{90, 90}, {150, 90}, {150, 140}, {90, 140}, {90, 90}}));
  view.onMapButtonUp();
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x06, 0x00, 0x0F, 0x02, 1, 2}}));
  EXPECT_EQ(actions.manual, 1);
  EXPECT_FALSE(view.band().active());
  EXPECT_EQ(actions.invalidated, 2);

  // Dragged to the upper left: an empty box, nothing sent.
  view.onMapButtonDown(150, 140);
  view.onMapMouseMove(90, 90);
  view.onMapButtonUp();
  EXPECT_TRUE(Drain(out).empty());
  EXPECT_EQ(actions.manual, 1);
  EXPECT_FALSE(view.band().active());
}

TEST_F(MapTest, AClickPicksACarWithinFivePixels) {
  NewTrack(2);
  Identity();
  model.applyCars(Cars({Car(1, 100, -100), Car(2, 300, -300)}));
  view.onMapButtonDown(104, 95);
  view.onMapButtonUp();
  EXPECT_EQ(Drain(out), (std::vector<Bytes>{{0x05, 0x00, 0x0F, 0x01, 1}}));
  view.onMapButtonDown(106, 100);
  view.onMapButtonUp();
  EXPECT_TRUE(Drain(out).empty());
  // A press on the map's top row or left column starts no band.
  view.onMapButtonDown(0, 100);
  EXPECT_FALSE(view.band().active());
  view.onMapMouseMove(100, 100);
  view.onMapButtonUp();
  EXPECT_TRUE(Drain(out).empty());
}

TEST_F(MapTest, ACarNameInTheListIsHit) {
  NewTrack(2);
  AddLineNode(0);
  model.applyCars(Cars({Car(11, 0, 0), Car(12, 0, 0), Car(13, 0, 0)}));
  glink::PlayerLabelMsg label;
  label.plid = 12;
  std::strcpy(label.text, "Bob");
  model.applyPlayerLabel(label);
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
  // (3 + 4) * 8 + 2 = 58: x = 57 is still on the name, 58 is past it.
  view.onMapButtonDown(57, 20);
  view.onMapButtonUp();
  view.onMapButtonDown(58, 20);
  view.onMapButtonUp();
  view.onMapButtonDown(10, 15);  // on the border between lines
  view.onMapButtonUp();
  std::vector<Bytes> sent = Drain(out);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], (Bytes{0x05, 0x00, 0x0F, 0x01, 12}));
}

}  // namespace
}  // namespace gui
