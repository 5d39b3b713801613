#include "gui/model/client_model.h"

#include <gtest/gtest.h>

#include <string>

#include "gui_test_support.h"
#include "link/link_client.h"
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
  void linkVersionMismatch(const char* text, const char* caption) override {
    calls += std::string("mismatch:") + text + "/" + caption + ";";
  }
  std::string calls;
};

class ModelTest : public ::testing::Test {
 protected:
  ModelTest() { model.setListener(&log); }

  void LoadTrack(const char* name, std::uint32_t nodes) {
    model.applyTrack(TrackNamed(name, nodes));
    Drain(out);
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
  ASSERT_TRUE(model.track);
  EXPECT_STREQ(model.track->name, "BL1");
  EXPECT_EQ(model.track->nodeCount, 100u);
  EXPECT_EQ(model.track->finishNode, 7u);
  EXPECT_EQ(Drain(out), std::vector<Bytes>{GetNodes(0)});
  EXPECT_EQ(log.calls, "track;");

  // The same name keeps the track with its nodes and cameras; counts are not updated.
  model.applyTrackNode(NodeMsg("BL1", 0, {}));
  model.applyCameraAdded(Camera(0, 3));
  MapTrack* before = model.track.get();
  model.takeRedraw();
  model.applyTrack(TrackNamed("BL1", 200, 9));
  EXPECT_EQ(model.track.get(), before);
  EXPECT_EQ(model.track->nodeCount, 100u);
  EXPECT_EQ(model.track->finishNode, 7u);
  EXPECT_EQ(model.track->nodesReceived, 1u);
  EXPECT_EQ(model.track->cameras.count, 1);
  EXPECT_TRUE(Drain(out).empty());
  EXPECT_FALSE(model.takeRedraw());
  EXPECT_EQ(log.calls, "track;track;");

  // Names compare exactly: another case is another track, loaded from node 0 again.
  model.applyTrack(TrackNamed("bl1", 50));
  ASSERT_TRUE(model.track);
  EXPECT_STREQ(model.track->name, "bl1");
  EXPECT_EQ(model.track->nodesReceived, 0u);
  EXPECT_EQ(model.track->cameras.count, 0);
  EXPECT_TRUE(model.takeRedraw());
  EXPECT_EQ(Drain(out), std::vector<Bytes>{GetNodes(0)});

  // The no-track form drops it and clears the race clock and manual control.
  model.raceTime = 1234;
  model.manualControl = true;
  log.calls.clear();
  model.applyTrack(glink::TrackMsg{});
  EXPECT_FALSE(model.track);
  EXPECT_EQ(model.raceTime, 0u);
  EXPECT_FALSE(model.manualControl);
  EXPECT_TRUE(model.takeRedraw());
  EXPECT_EQ(log.calls, "notrack;");
  EXPECT_TRUE(Drain(out).empty());

  // Without a track a repeated no-track changes nothing to repaint.
  model.applyTrack(glink::TrackMsg{});
  EXPECT_FALSE(model.takeRedraw());
}

TEST_F(ModelTest, NodesAreRequestedInBatchesOf32) {
  model.applyTrack(TrackNamed("SO1", 100));
  std::vector<Bytes> requests = Drain(out);
  for (std::uint32_t i = 0; i < 100; ++i) {
    model.applyTrackNode(NodeMsg("SO1", i, {static_cast<std::int32_t>(i) * 65536, 0}));
    for (Bytes& r : Drain(out)) {
      requests.push_back(r);
      // Each batch is asked for when the last node of the previous one has arrived.
      EXPECT_EQ(i % 32, 31u) << "request after node " << i;
    }
  }
  EXPECT_EQ(requests, (std::vector<Bytes>{GetNodes(0), GetNodes(32), GetNodes(64), GetNodes(96)}));
  EXPECT_EQ(model.track->nodesReceived, 100u);

  // A path of exactly 64 nodes ends without asking for node 64.
  model.applyTrack(TrackNamed("SO2", 64));
  Drain(out);
  for (std::uint32_t i = 0; i < 64; ++i) model.applyTrackNode(NodeMsg("SO2", i, {}));
  EXPECT_EQ(Drain(out), std::vector<Bytes>{GetNodes(32)});
}

TEST_F(ModelTest, NodesOfAnotherTrackOrOutsideTheTableAreIgnored) {
  model.applyTrackNode(NodeMsg("BL1", 0, {}));  // no track at all
  LoadTrack("BL1", 5000);
  EXPECT_EQ(model.track->nodeCount, 1500u);  // capped to the table
  model.takeRedraw();

  model.applyTrackNode(NodeMsg("BL2", 0, {}));
  model.applyTrackNode(NodeMsg("BL1", 1500, {}));
  model.applyTrackNode(NodeMsg("BL1", 0xFFFFFFFFu, {}));
  EXPECT_EQ(model.track->nodesReceived, 0u);
  EXPECT_FALSE(model.takeRedraw());

  model.applyTrackNode(NodeMsg("BL1", 1499, {}));
  EXPECT_EQ(model.track->nodesReceived, 1500u);
  EXPECT_TRUE(model.track->hasNode(1499));
  EXPECT_FALSE(model.track->hasNode(1498));  // never arrived: not drawn
  EXPECT_TRUE(model.takeRedraw());
  EXPECT_TRUE(Drain(out).empty());
}

TEST_F(ModelTest, EdgePointsLieAQuarterTurnClockwiseAndWidenTheBounds) {
  LoadTrack("AS1", 10);
  // Travelling north: the right-hand side is east. The quarter turn of 1.570795 leaves the
  // cosine just below 1, so 8 m come out one unit short.
  model.applyTrackNode(NodeMsg("AS1", 0, {1000000, 2000000, 0, 1, -8, 8, -5, 5}));
  const NodeEdges& n = model.track->edges[0];
  EXPECT_EQ(n.outerLeftX, 1000000 - 524287);
  EXPECT_EQ(n.outerLeftY, 2000000);
  EXPECT_EQ(n.outerRightX, 1000000 + 524287);
  EXPECT_EQ(n.outerRightY, 2000000);
  EXPECT_EQ(n.roadLeftX, 1000000 - 327679);
  EXPECT_EQ(n.roadLeftY, 2000000);
  EXPECT_EQ(n.roadRightX, 1000000 + 327679);
  EXPECT_EQ(n.roadRightY, 2000000);
  // The first node's bounds are its centre widened by its outer points only.
  EXPECT_EQ(model.track->left, 1000000 - 524287);
  EXPECT_EQ(model.track->right, 1000000 + 524287);
  EXPECT_EQ(model.track->bottom, 2000000);
  EXPECT_EQ(model.track->top, 2000000);

  // Travelling east: right is south.
  model.applyTrackNode(NodeMsg("AS1", 1, {0, 0, 1, 0, -2, 2, -1, 1}));
  const NodeEdges& e = model.track->edges[1];
  EXPECT_EQ(e.outerRightX, 0);
  EXPECT_EQ(e.outerRightY, -131071);
  EXPECT_EQ(e.outerLeftX, 0);
  EXPECT_EQ(e.outerLeftY, 131071);
  EXPECT_EQ(model.track->left, 0);
  EXPECT_EQ(model.track->bottom, -131071);
  EXPECT_EQ(model.track->right, 1000000 + 524287);
  EXPECT_FALSE(model.track->viewValid);

  // Absurd limits stay within 32 bits instead of overflowing.
  model.applyTrackNode(NodeMsg("AS1", 2, {2147483000, 0, 0, 1, -1e30f, 1e30f, 0, 0}));
  EXPECT_EQ(model.track->edges[2].outerRightX, 2147483647);
  EXPECT_EQ(model.track->edges[2].outerLeftX, 2147483000 - 2147483647);
}

TEST_F(ModelTest, CamerasAreInsertedResortedAndDeleted) {
  // Without a track camera messages are ignored.
  model.applyCameraAdded(Camera(0, 5));
  LoadTrack("FE1", 300);
  MapCameraList& list = model.track->cameras;

  model.applyCameraAdded(Camera(0, 10));
  model.applyCameraAdded(Camera(1, 30));
  model.applyCameraAdded(Camera(1, 20));  // inserted between
  EXPECT_EQ(list.selected, 1);
  model.applyCameraAdded(Camera(500, 40));  // beyond count: appended and selected
  ASSERT_EQ(list.count, 4);
  EXPECT_EQ(list.selected, 3);
  EXPECT_EQ(list.entries[0].positionNode, 10);
  EXPECT_EQ(list.entries[1].positionNode, 20);
  EXPECT_EQ(list.entries[2].positionNode, 30);
  EXPECT_EQ(list.entries[3].positionNode, 40);

  // A change that raises the first camera past two successors moves it behind them.
  model.applyCameraChanged(Camera(0, 35, 7, 8, 1, 2));
  EXPECT_EQ(list.selected, 2);
  EXPECT_EQ(list.entries[0].positionNode, 20);
  EXPECT_EQ(list.entries[1].positionNode, 30);
  EXPECT_EQ(list.entries[2].positionNode, 35);
  EXPECT_EQ(list.entries[2].x, 7);
  EXPECT_EQ(list.entries[2].startNode, 1);
  EXPECT_EQ(list.entries[3].positionNode, 40);
  // Lowering the last one moves it to the front.
  model.applyCameraChanged(Camera(3, 1));
  EXPECT_EQ(list.selected, 0);
  EXPECT_EQ(list.entries[0].positionNode, 1);
  EXPECT_EQ(list.entries[3].positionNode, 35);
  // Equal position nodes do not move.
  model.applyCameraChanged(Camera(1, 30, 99));
  EXPECT_EQ(list.selected, 1);
  EXPECT_EQ(list.entries[1].x, 99);
  EXPECT_EQ(list.entries[2].positionNode, 30);
  // An index at or beyond count changes nothing.
  model.applyCameraChanged(Camera(4, 0, 555));
  model.applyCurrentCamera(4);
  EXPECT_EQ(list.selected, 1);

  model.applyCurrentCamera(3);
  EXPECT_EQ(list.selected, 3);
  // Deleting the selected last camera leaves selected equal to the new count.
  model.applyCameraDeleted(3);
  EXPECT_EQ(list.count, 3);
  EXPECT_EQ(list.selected, 3);
  EXPECT_EQ(list.current(), nullptr);
  model.applyCameraDeleted(0);
  EXPECT_EQ(list.count, 2);
  EXPECT_EQ(list.entries[0].x, 99);
  EXPECT_EQ(list.entries[1].positionNode, 30);
  EXPECT_EQ(list.entries[1].x, 0);
  model.applyCameraDeleted(2);
  EXPECT_EQ(list.count, 2);
}

TEST_F(ModelTest, AHundredCamerasFillTheListAndNoMore) {
  LoadTrack("KY1", 300);
  for (int i = 0; i < 100; ++i) model.applyCameraAdded(Camera(static_cast<std::uint16_t>(i), 1));
  model.takeRedraw();
  model.applyCameraAdded(Camera(0, 999));
  EXPECT_EQ(model.track->cameras.count, 100);
  EXPECT_EQ(model.track->cameras.entries[0].positionNode, 1);
  EXPECT_EQ(model.track->cameras.selected, 99);
  EXPECT_FALSE(model.takeRedraw());
}

TEST_F(ModelTest, EditModeEmptiesTheCameraListAndResetsZoom) {
  model.applyEditMode(true);  // without a track only the flag changes
  EXPECT_TRUE(model.editMode);
  EXPECT_TRUE(model.takeRedraw());
  EXPECT_EQ(log.calls, "");
  model.applyEditMode(false);

  LoadTrack("WE1", 300);
  log.calls.clear();
  model.applyCameraAdded(Camera(0, 10));
  model.track->zoom = 500;
  model.takeRedraw();
  model.applyEditMode(true);
  EXPECT_EQ(model.track->cameras.count, 0);
  EXPECT_EQ(model.track->zoom, kZoomFit);
  EXPECT_EQ(log.calls, "editon;");
  EXPECT_TRUE(model.takeRedraw());

  // The same value again changes nothing.
  model.applyCameraAdded(Camera(0, 10));
  model.takeRedraw();
  model.applyEditMode(true);
  EXPECT_EQ(model.track->cameras.count, 1);
  EXPECT_FALSE(model.takeRedraw());
  EXPECT_EQ(log.calls, "editon;");

  // Leaving keeps the list (only drawn in edit mode) and returns to Fit.
  model.track->zoom = 250;
  model.applyEditMode(false);
  EXPECT_EQ(model.track->cameras.count, 1);
  EXPECT_EQ(model.track->zoom, kZoomFit);
  EXPECT_EQ(log.calls, "editon;editoff;");
}

TEST_F(ModelTest, EditCameraSelectsAndOpensTheDialogForAnExistingCamera) {
  LoadTrack("BL1", 300);
  model.applyCameraAdded(Camera(0, 10));
  model.applyCameraAdded(Camera(1, 20));
  model.applyEditCamera(2);
  EXPECT_EQ(log.calls, "track;");
  model.takeRedraw();
  model.applyEditCamera(0);
  EXPECT_EQ(model.track->cameras.selected, 0);
  EXPECT_EQ(log.calls, "track;edit;");
  EXPECT_TRUE(model.takeRedraw());
}

TEST_F(ModelTest, CarsMoveOnByHalfTheirLastStep) {
  const std::uint32_t t0 = clock.Now();
  model.applyCars(Cars({Car(1, 0, 0), Car(2, 0, 1000)}));
  clock.Advance(200);
  const std::uint32_t t = clock.Now();
  // Car 1 moved 1000 along X and -1000 along Y; car 3 is new and has no earlier position.
  model.applyCars(Cars({Car(1, 1000, -1000), Car(3, 50, 50)}));
  EXPECT_EQ(model.lastCarsTick, t);
  EXPECT_EQ(log.calls, "cars;cars;");
  EXPECT_NE(t0, t);

  struct Step {
    std::uint32_t at;
    std::int32_t x, y;
  };
  // Steps at t + 100 and t + 1200 and then every 1100 ms: 500, 250, 125 units.
  const Step steps[] = {{99, 1000, -1000},   {100, 1500, -1500},  {1199, 1500, -1500},
                        {1200, 1750, -1750}, {2299, 1750, -1750}, {2300, 1875, -1875},
                        {3400, 1937, -1937}};
  for (const Step& s : steps) {
    clock.Set(t + s.at);
    model.takeRedraw();
    model.extrapolateCars();
    EXPECT_EQ(model.cars.entries[0].x, s.x) << "at t+" << s.at;
    EXPECT_EQ(model.cars.entries[0].y, s.y) << "at t+" << s.at;
    EXPECT_EQ(model.cars.entries[1].x, 50);
  }
  // The redraw flag comes with every step, even for an empty table.
  model.applyCars(glink::CarTableMsg{});
  clock.Advance(100);
  model.takeRedraw();
  model.extrapolateCars();
  EXPECT_TRUE(model.takeRedraw());
  EXPECT_EQ(model.cars.count, 0);
}

TEST_F(ModelTest, OddStepsTruncateTowardZero) {
  model.applyCars(Cars({Car(9, 0, 0)}));
  model.applyCars(Cars({Car(9, 3, -3)}));
  clock.Advance(100);
  model.extrapolateCars();
  EXPECT_EQ(model.cars.entries[0].x, 4);
  EXPECT_EQ(model.cars.entries[0].y, -4);
}

TEST_F(ModelTest, LabelsAreCutAt30AndClearedTogether) {
  Bytes record = {0, 0, glink::GLM_PLAYER_LABEL, 7};
  for (int i = 0; i < 40; ++i) record.push_back(static_cast<std::uint8_t>('a' + i % 26));
  glink::PutU16(record.data(), static_cast<std::uint16_t>(record.size()));
  record.resize(glink::kSlotSize);
  glink::PlayerLabelMsg msg;
  ASSERT_TRUE(glink::ReadPlayerLabel(record.data(), &msg));
  model.applyPlayerLabel(msg);
  EXPECT_STREQ(model.label(7), "abcdefghijklmnopqrstuvwxyzabcd");
  EXPECT_FALSE(model.takeRedraw());

  glink::PlayerLabelMsg other;
  other.plid = 255;
  std::strcpy(other.text, "Max (1)");
  model.applyPlayerLabel(other);
  EXPECT_STREQ(model.label(255), "Max (1)");

  glink::PlayerLabelMsg clear;
  clear.clearAll = true;
  model.applyPlayerLabel(clear);
  EXPECT_STREQ(model.label(7), "");
  EXPECT_STREQ(model.label(255), "");
}

TEST_F(ModelTest, ClockAndViewPosition) {
  model.applyRaceClock(61000);
  EXPECT_EQ(model.raceTime, 61000u);
  EXPECT_EQ(model.raceTimeTick, 5000u);
  EXPECT_FALSE(model.takeRedraw());
  model.applyViewPos({-5, 6});
  EXPECT_EQ(model.viewX, -5);
  EXPECT_EQ(model.viewY, 6);
  EXPECT_TRUE(model.takeRedraw());
}

TEST_F(ModelTest, AFullOutgoingQueueDropsTheNodeRequest) {
  for (int i = 0; i < glink::kQueueSlots; ++i) ASSERT_TRUE(glink::PostGetNodes(out, 999));
  model.applyTrack(TrackNamed("BL1", 100));
  EXPECT_TRUE(model.track);
  EXPECT_EQ(out.pending(), glink::kQueueSlots);
}

// The link client's dispatcher drives the model: version first, then the records in order.
TEST(ModelOverLink, DispatchedRecordsReachTheModel) {
  plat::ManualClock clock(100);
  glink::LinkClient client(clock);
  ClientModel model(clock, client.toDirector());
  ListenerLog log;
  model.setListener(&log);
  ASSERT_TRUE(glink::PostVersion(client.toGui(), 4));
  ASSERT_TRUE(glink::PostTrack(client.toGui(), "BL1", 40, 3));
  ASSERT_TRUE(glink::PostEditMode(client.toGui(), glink::GLM_EDIT_MODE, true));
  client.DispatchLinkMessages(model);  // the version alone
  EXPECT_FALSE(model.track);
  client.DispatchLinkMessages(model);
  ASSERT_TRUE(model.track);
  EXPECT_TRUE(model.editMode);
  EXPECT_EQ(Drain(client.toDirector()), std::vector<Bytes>{GetNodes(0)});

  // A record before the version on a new link is a mismatch, told to the window.
  glink::LinkClient other(clock);
  ClientModel second(clock, other.toDirector());
  second.setListener(&log);
  log.calls.clear();
  ASSERT_TRUE(glink::PostTrack(other.toGui(), "BL1", 40, 3));
  other.DispatchLinkMessages(second);
  EXPECT_EQ(log.calls, "mismatch:GUI version does not match Morvane version/version mismatch;");
  EXPECT_FALSE(second.track);
}

}  // namespace
}  // namespace gui
