#include "gui/model/client_model.h"

#include <gtest/gtest.h>

#include <string>

#include "gui_test_support.h"
#include "platform/thread.h"

namespace gui {
namespace {

using namespace gui::testing;

struct ListenerLog : ModelListener {
  void showTrackStates() override { calls += "track;"; }
  void showNoTrackStates() override { calls += "notrack;"; }
  void showEditOn() override { calls += "editon;"; }
  void showEditOff() override { calls += "editoff;"; }
  void applyZoomRuleForCars() override { calls += "cars;"; }
  void openEditCamera() override { calls += "edit;"; }
  void linkVersionMismatch(const char*, const char*) override {}
  std::string calls;
};

class ModelTest : public ::testing::Test {
 protected:
  ModelTest() { model.setListener(&log); }

  void LoadTrack(const char* name, std::uint32_t nodes) {
    model.applyTrack(TrackNamed(name, nodes));
    Drain(out);
    log.calls.clear();
  }
  // The track, the redraw flag (taken) and the node requests sent (drained), in one line:
  // "BL1 n100 f7 got0 cams0 sel0 zoom0 redraw get0".
  std::string State() {
    std::string s = "none";
    if (const MapTrack* t = model.track.get()) {
      s = std::string(t->name) + " n" + std::to_string(t->nodeCount) + " f" +
          std::to_string(t->finishNode) + " got" + std::to_string(t->nodesReceived) + " cams" +
          std::to_string(t->cameras.count) + " sel" + std::to_string(t->cameras.selected) +
          " zoom" + std::to_string(t->zoom);
    }
    if (model.takeRedraw()) s += " redraw";
    for (const Bytes& r : Drain(out)) {
      EXPECT_EQ(r.size(), 7u);
      s += " get" + std::to_string(plat::GetU32(r.data() + 3));
    }
    return s;
  }

  plat::ManualClock clock{5000};
  glink::ToDirectorQueue out;
  ClientModel model{clock, out};
  ListenerLog log;
};

Bytes GetNodes(std::uint32_t first) {
  return Cat({{0x07, 0x00, 0x15}, Le32(static_cast<std::int32_t>(first))});
}

TEST_F(ModelTest, TrackMessagesKeepRenameOrDropTheTrack) {
  model.applyTrack(TrackNamed("BL1", 100, 7));
  EXPECT_EQ(Drain(out), std::vector<Bytes>{GetNodes(0)});
  model.applyTrackNode(NodeMsg("BL1", 0, {}));
  model.applyCameraAdded(Camera(0, 3));
  EXPECT_EQ(State(), "BL1 n100 f7 got1 cams1 sel0 zoom0 redraw");

  // The same name keeps the track with its nodes and cameras; counts are not updated.
  MapTrack* before = model.track.get();
  model.applyTrack(TrackNamed("BL1", 200, 9));
  EXPECT_EQ(model.track.get(), before);
  EXPECT_EQ(State(), "BL1 n100 f7 got1 cams1 sel0 zoom0");
  // Names compare exactly: another case is another track, loaded from node 0 again.
  model.applyTrack(TrackNamed("bl1", 50));
  EXPECT_EQ(State(), "bl1 n50 f0 got0 cams0 sel0 zoom0 redraw get0");

  // The no-track form drops it and clears the race clock and manual control; a second one has
  // nothing left to repaint.
  model.raceTime = 1234;
  model.manualControl = true;
  model.applyTrack(glink::TrackMsg{});
  EXPECT_EQ(State(), "none redraw");
  EXPECT_EQ(model.raceTime, 0u);
  EXPECT_FALSE(model.manualControl);
  model.applyTrack(glink::TrackMsg{});
  EXPECT_EQ(State(), "none");
  EXPECT_EQ(log.calls, "track;track;track;notrack;notrack;");
}

TEST_F(ModelTest, NodesAreRequestedInBatchesOf32) {
  // 100 nodes: asked for at 0, 32, 64 and 96, each when the last node of a batch arrives. A path
  // of exactly 64 nodes ends without asking for node 64.
  for (std::uint32_t count : {100u, 64u}) {
    const char* name = count == 100 ? "SO1" : "SO2";
    model.applyTrack(TrackNamed(name, count));
    std::vector<Bytes> requests = Drain(out);
    for (std::uint32_t i = 0; i < count; ++i) {
      model.applyTrackNode(NodeMsg(name, i, {}));
      for (Bytes& r : Drain(out)) {
        requests.push_back(r);
        EXPECT_EQ(i % 32, 31u) << "request after node " << i;
      }
    }
    std::vector<Bytes> expected;
    for (std::uint32_t first = 0; first < count; first += 32) expected.push_back(GetNodes(first));
    EXPECT_EQ(requests, expected);
    EXPECT_EQ(model.track->nodesReceived, count);
  }
}

TEST_F(ModelTest, NodesOfAnotherTrackOrOutsideTheTableAreIgnored) {
  model.applyTrackNode(NodeMsg("BL1", 0, {}));  // no track at all
  model.applyTrack(TrackNamed("BL1", 5000));
  EXPECT_EQ(State(), "BL1 n1500 f0 got0 cams0 sel0 zoom0 get0");  // capped to the table
  model.applyTrackNode(NodeMsg("BL2", 0, {}));
  model.applyTrackNode(NodeMsg("BL1", 1500, {}));
  model.applyTrackNode(NodeMsg("BL1", 0xFFFFFFFFu, {}));
  EXPECT_EQ(State(), "BL1 n1500 f0 got0 cams0 sel0 zoom0");
  model.applyTrackNode(NodeMsg("BL1", 1499, {}));
  EXPECT_EQ(State(), "BL1 n1500 f0 got1500 cams0 sel0 zoom0 redraw");
  EXPECT_TRUE(model.track->hasNode(1499));
  EXPECT_FALSE(model.track->hasNode(1498));  // never arrived: not drawn
}

std::vector<std::int32_t> Points(const NodeEdges& e) {
  return {e.outerLeftX, e.outerLeftY, e.outerRightX, e.outerRightY,
          e.roadLeftX,  e.roadLeftY,  e.roadRightX,  e.roadRightY};
}

TEST_F(ModelTest, EdgePointsLieAQuarterTurnClockwiseAndWidenTheBounds) {
  LoadTrack("AS1", 10);
  MapTrack& t = *model.track;
  // Travelling north: the right-hand side is east. The quarter turn of 1.570795 leaves the
  // cosine just below 1, so 8 m come out one unit short. The first node's bounds are its centre
  // widened by its outer points only.
  model.applyTrackNode(NodeMsg("AS1", 0, {1000000, 2000000, 0, 1, -8, 8, -5, 5}));
  EXPECT_EQ(Points(t.edges[0]), (std::vector<std::int32_t>{475713, 2000000, 1524287, 2000000,
                                                           672321, 2000000, 1327679, 2000000}));
  EXPECT_EQ((std::vector<std::int32_t>{t.left, t.top, t.right, t.bottom}),
            (std::vector<std::int32_t>{475713, 2000000, 1524287, 2000000}));

  // Travelling east: right is south.
  model.applyTrackNode(NodeMsg("AS1", 1, {0, 0, 1, 0, -2, 2, -1, 1}));
  EXPECT_EQ(Points(t.edges[1]),
            (std::vector<std::int32_t>{0, 131071, 0, -131071, 0, 65535, 0, -65535}));
  EXPECT_EQ((std::vector<std::int32_t>{t.left, t.top, t.right, t.bottom}),
            (std::vector<std::int32_t>{0, 2000000, 1524287, -131071}));
  EXPECT_FALSE(t.viewValid);

  // Absurd limits stay within 32 bits instead of overflowing.
  model.applyTrackNode(NodeMsg("AS1", 2, {2147483000, 0, 0, 1, -1e30f, 1e30f, 0, 0}));
  EXPECT_EQ(t.edges[2].outerRightX, 2147483647);
  EXPECT_EQ(t.edges[2].outerLeftX, 2147483000 - 2147483647);
}

TEST_F(ModelTest, CamerasAreInsertedResortedAndDeleted) {
  model.applyCameraAdded(Camera(0, 5));  // without a track: ignored
  LoadTrack("FE1", 300);
  MapCameraList& list = model.track->cameras;
  auto order = [&] {
    std::vector<int> nodes;
    for (int i = 0; i < list.count; ++i) nodes.push_back(list.entries[i].positionNode);
    return nodes;
  };

  model.applyCameraAdded(Camera(0, 10));
  model.applyCameraAdded(Camera(1, 30));
  model.applyCameraAdded(Camera(1, 20));  // inserted between
  EXPECT_EQ(list.selected, 1);
  model.applyCameraAdded(Camera(500, 40));  // beyond count: appended and selected
  EXPECT_EQ(order(), (std::vector<int>{10, 20, 30, 40}));
  EXPECT_EQ(list.selected, 3);

  struct Change {
    glink::CameraMsg msg;
    std::vector<int> order;
    int selected;
  };
  const Change changes[] = {
      // Raised past two successors: moves behind them, with all its new fields.
      {Camera(0, 35, 7, 8, 1, 2), {20, 30, 35, 40}, 2},
      // The last one lowered below all: to the front.
      {Camera(3, 1, 9), {1, 20, 30, 35}, 0},
      // Equal position nodes do not move.
      {Camera(2, 30, 99), {1, 20, 30, 35}, 2},
      {Camera(1, 30, 98), {1, 30, 30, 35}, 1},
      // An index at or beyond count changes nothing.
      {Camera(4, 0, 555), {1, 30, 30, 35}, 1},
  };
  for (const Change& c : changes) {
    model.applyCameraChanged(c.msg);
    EXPECT_EQ(order(), c.order) << c.msg.positionNode;
    EXPECT_EQ(list.selected, c.selected) << c.msg.positionNode;
    EXPECT_EQ(list.entries[list.selected].x, c.msg.index < 4 ? c.msg.x : 98);
  }
  EXPECT_EQ(list.entries[3].startNode, 1);
  EXPECT_EQ(list.entries[3].endNode, 2);
  EXPECT_EQ(list.entries[3].y, 8);

  model.applyCurrentCamera(4);  // beyond count
  EXPECT_EQ(State(), "FE1 n300 f0 got0 cams4 sel1 zoom0 redraw");
  model.applyCurrentCamera(3);
  // Deleting the selected last camera leaves selected equal to the new count.
  model.applyCameraDeleted(3);
  model.applyCameraDeleted(0);
  model.applyCameraDeleted(2);  // beyond count
  EXPECT_EQ(State(), "FE1 n300 f0 got0 cams2 sel3 zoom0 redraw");
  EXPECT_EQ(order(), (std::vector<int>{30, 30}));
  EXPECT_EQ(list.entries[0].x, 98);

  // A 101st camera is refused.
  for (int i = 0; i < 98; ++i) model.applyCameraAdded(Camera(0, 1));
  EXPECT_EQ(State(), "FE1 n300 f0 got0 cams100 sel0 zoom0 redraw");
  model.applyCameraAdded(Camera(0, 999));
  EXPECT_EQ(State(), "FE1 n300 f0 got0 cams100 sel0 zoom0");
  EXPECT_EQ(list.entries[0].positionNode, 1);
}

TEST_F(ModelTest, EditModeEmptiesTheCameraListAndResetsZoom) {
  model.applyEditMode(true);  // without a track only the flag changes
  EXPECT_TRUE(model.editMode);
  EXPECT_EQ(State(), "none redraw");
  model.applyEditMode(false);
  EXPECT_EQ(log.calls, "");

  LoadTrack("WE1", 300);
  model.applyCameraAdded(Camera(0, 10));
  model.track->zoom = 500;
  model.applyEditMode(true);
  EXPECT_EQ(State(), "WE1 n300 f0 got0 cams0 sel0 zoom0 redraw");
  // The same value again changes nothing.
  model.applyCameraAdded(Camera(0, 10));
  model.applyCameraAdded(Camera(0, 5));
  State();
  model.applyEditMode(true);
  EXPECT_EQ(State(), "WE1 n300 f0 got0 cams2 sel0 zoom0");
  // Leaving keeps the list (only drawn in edit mode) and returns to Fit.
  model.track->zoom = 250;
  model.applyEditMode(false);
  EXPECT_EQ(State(), "WE1 n300 f0 got0 cams2 sel0 zoom0 redraw");
  EXPECT_EQ(log.calls, "editon;editoff;");

  // The edit request opens the dialog only for a camera that exists.
  model.applyEditCamera(2);
  EXPECT_EQ(State(), "WE1 n300 f0 got0 cams2 sel0 zoom0");
  model.applyEditCamera(1);
  EXPECT_EQ(State(), "WE1 n300 f0 got0 cams2 sel1 zoom0 redraw");
  EXPECT_EQ(log.calls, "editon;editoff;edit;");
}

TEST_F(ModelTest, CarsMoveOnByHalfTheirLastStep) {
  model.applyCars(Cars({Car(1, 0, 0), Car(2, 0, 1000), Car(9, 0, 0)}));
  clock.Advance(200);
  const std::uint32_t t = clock.Now();
  // Car 1 moved 1000 along X and -1000 along Y, car 9 by an odd step; car 3 is new and has no
  // earlier position.
  model.applyCars(Cars({Car(1, 1000, -1000), Car(3, 50, 50), Car(9, 3, -3)}));
  EXPECT_EQ(model.lastCarsTick, t);
  EXPECT_EQ(log.calls, "cars;cars;");

  // Every car's position, and whether the map was asked to repaint.
  auto positions = [&] {
    std::string text;
    for (int i = 0; i < model.cars.count; ++i) {
      text += std::to_string(model.cars.entries[i].x) + "," +
              std::to_string(model.cars.entries[i].y) + " ";
    }
    return text + (model.takeRedraw() ? "redraw" : "");
  };
  model.takeRedraw();
  // Steps at t + 100 and t + 1200 and then every 1100 ms: 500, 250, 125 units; odd halves
  // truncate toward zero.
  const std::pair<std::uint32_t, const char*> steps[] = {
      {99, "1000,-1000 50,50 3,-3 "},         {100, "1500,-1500 50,50 4,-4 redraw"},
      {1199, "1500,-1500 50,50 4,-4 "},       {1200, "1750,-1750 50,50 4,-4 redraw"},
      {2299, "1750,-1750 50,50 4,-4 "},       {2300, "1875,-1875 50,50 4,-4 redraw"},
      {3400, "1937,-1937 50,50 4,-4 redraw"}, {3401, "1937,-1937 50,50 4,-4 "}};
  for (const auto& [at, expected] : steps) {
    clock.Set(t + at);
    model.extrapolateCars();
    EXPECT_EQ(positions(), expected) << "at t+" << at;
  }
  // The redraw flag comes with every step, even for an empty table.
  model.applyCars(glink::CarTableMsg{});
  clock.Advance(100);
  model.takeRedraw();
  model.extrapolateCars();
  EXPECT_TRUE(model.takeRedraw());
}

TEST_F(ModelTest, LabelsClockAndViewPosition) {
  model.applyPlayerLabel(Label(7, "abcdefghijklmnopqrstuvwxyzabcd"));
  model.applyPlayerLabel(Label(255, "Max (1)"));
  EXPECT_STREQ(model.label(7), "abcdefghijklmnopqrstuvwxyzabcd");  // all 30 characters
  EXPECT_STREQ(model.label(255), "Max (1)");
  glink::PlayerLabelMsg clear;
  clear.clearAll = true;
  model.applyPlayerLabel(clear);
  EXPECT_STREQ(model.label(7), "");
  EXPECT_STREQ(model.label(255), "");

  model.applyRaceClock(61000);
  EXPECT_EQ(model.raceTime, 61000u);
  EXPECT_EQ(model.raceTimeTick, 5000u);
  EXPECT_FALSE(model.takeRedraw());  // neither labels nor the clock repaint by themselves
  model.applyViewPos({-5, 6});
  EXPECT_EQ(model.viewX, -5);
  EXPECT_EQ(model.viewY, 6);
  EXPECT_TRUE(model.takeRedraw());
}

}  // namespace
}  // namespace gui
