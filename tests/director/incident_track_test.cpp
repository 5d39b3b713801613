#include "director/engine/incident_track.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "director/engine/track_path.h"
#include "incident_test_support.h"
#include "platform/bytes.h"
#include "race_test_support.h"

namespace director {
namespace {

using test::kMetre;

// The node body's floats at the offsets of the simulator's file: direction X, Y, Z at 12,
// outer limits at 24, road limits at 32.
void PutFloats(PathNode& node, float dirX, float dirY, float outerL, float outerR, float roadL,
               float roadR) {
  const struct {
    std::size_t at;
    float value;
  } fields[] = {{12, dirX},   {16, dirY},  {20, 0.0f}, {24, outerL},
                {28, outerR}, {32, roadL}, {36, roadR}};
  for (const auto& f : fields)
    plat::PutU32(node.bytes + f.at, std::bit_cast<std::uint32_t>(f.value));
}

TEST(IncidentTrackLimits, DecodesCentresDirectionsAndRoadLimitsFromTheNodeBytes) {
  auto path = test::MakeTrack({{0, 0}, {10 * kMetre, 0}, {20 * kMetre, 5}, {30 * kMetre, 0}}, 6);
  PutFloats(path->nodes[0], 0.0f, 2.0f, -9.0f, 10.0f, -5.5f, 4.5f);  // direction not unit length
  PutFloats(path->nodes[1], 1.0f, 0.0f, -8.0f, 8.0f, 0.0f, 0.0f);    // no road limits: outer
  PutFloats(path->nodes[2], 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);     // none at all
  PutFloats(path->nodes[3], std::numeric_limits<float>::quiet_NaN(), 0.0f, 0, 0, -3.0f, 3.0f);
  TrackLimitNode nodes[4];
  const TrackLimitsView view = fillTrackLimits(*path, nodes, 4);
  ASSERT_EQ(view.count, 4u);
  EXPECT_EQ(view.nodes, nodes);
  EXPECT_EQ(view.finishNode, 2u);  // a finish node past the end is taken round the lap
  EXPECT_EQ(nodes[2].x, 20 * kMetre);
  EXPECT_EQ(nodes[2].y, 5);
  EXPECT_FLOAT_EQ(nodes[0].dirX, 0.0f);
  EXPECT_FLOAT_EQ(nodes[0].dirY, 1.0f);
  EXPECT_FLOAT_EQ(nodes[0].leftEdge, -5.5f);
  EXPECT_FLOAT_EQ(nodes[0].rightEdge, 4.5f);
  EXPECT_TRUE(nodes[0].hasLimits);
  EXPECT_FLOAT_EQ(nodes[1].leftEdge, -8.0f);
  EXPECT_FLOAT_EQ(nodes[1].rightEdge, 8.0f);
  EXPECT_TRUE(nodes[1].hasLimits);
  EXPECT_FALSE(nodes[2].hasLimits);
  EXPECT_FALSE(std::isnan(nodes[3].dirX));  // a damaged float is read as 0
  EXPECT_TRUE(nodes[3].hasLimits);
}

TEST(IncidentTrackLimits, TakesNoMoreNodesThanTheBufferHolds) {
  auto path = test::MakeTrack(test::CircleCentres(50), 0);
  TrackLimitNode nodes[10];
  EXPECT_EQ(fillTrackLimits(*path, nodes, 10).count, 10u);
  auto empty = test::MakeTrack({}, 0);
  EXPECT_EQ(fillTrackLimits(*empty, nodes, 10).count, 0u);
}

TEST(IncidentTrackLimits, NearestNodeSearchesAroundTheHintAndAcrossTheFinish) {
  const auto nodes = test::StraightTrack(100);
  const TrackLimitsView view = test::ViewOf(nodes);
  const std::int32_t nearNode98 = static_cast<std::int32_t>(98 * 5 * kMetre + kMetre);
  EXPECT_EQ(nearestLimitNode(view, 0, nearNode98, 1), 98u);    // hint across the line
  EXPECT_EQ(nearestLimitNode(view, 0, nearNode98, 500), 98u);  // no usable hint: all nodes
  EXPECT_EQ(nearestLimitNode(view, 0, nearNode98, 50), 62u);   // only the window is looked at
  EXPECT_EQ(nearestLimitNode(test::ViewOf({}), 0, 0, 0), 0u);
}

TEST(IncidentTrackLimits, DistanceBeyondEdgeIsMeasuredAcrossTheNodesDirection) {
  TrackLimitNode north = test::StraightTrack(1, -3.0f, 6.0f)[0];                // driving along +Y
  EXPECT_NEAR(distanceBeyondEdge(north, 8 * kMetre, 0), 2.0, 1e-9);             // right is +X
  EXPECT_NEAR(distanceBeyondEdge(north, -4 * kMetre, 0), 1.0, 1e-9);            // left is -X
  EXPECT_NEAR(distanceBeyondEdge(north, 5 * kMetre, 40 * kMetre), -1.0, 1e-9);  // along: no matter
  TrackLimitNode east = north;
  east.dirX = 1.0f;
  east.dirY = 0.0f;  // driving along +X: right is -Y
  EXPECT_NEAR(distanceBeyondEdge(east, 0, -8 * kMetre), 2.0, 1e-9);
  EXPECT_NEAR(distanceBeyondEdge(east, 0, 8 * kMetre), 5.0, 1e-9);
}

TEST(IncidentTrackLimits, RaceProgressCountsLapsFromTheFinishNode) {
  const auto nodes = test::StraightTrack(100);
  const TrackLimitsView view = test::ViewOf(nodes, 90);
  EXPECT_EQ(raceProgress(view, 2, 89), 2u * 100 + 99);  // just before the line
  EXPECT_EQ(raceProgress(view, 3, 90), 3u * 100);       // on it, lap counted
  EXPECT_EQ(raceProgress(view, 3, 5), 3u * 100 + 15);
  EXPECT_EQ(raceProgress(test::ViewOf({}), 3, 5), 0u);
}

}  // namespace
}  // namespace director
