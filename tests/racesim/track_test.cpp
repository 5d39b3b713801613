// The stand-in's track: the path file's nodes where the simulator puts them, evenly spaced closed
// loops, the finish on a straight, camera positions that cover the lap once, and the camera file
// format. (The director's readers take both files in tests/interop.)
#include "tools/racesim/track.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <set>

#include "platform/bytes.h"

namespace racesim {
namespace {

TrackOptions Options(int nodes, std::uint32_t seed) {
  TrackOptions o;
  o.nodeCount = nodes;
  o.seed = seed;
  return o;
}

TEST(TrackPathFile, HeaderAndNodesWithTheLimitsForTheMap) {
  const Track track(Options(1500, 3));
  const std::vector<std::uint8_t> bytes = track.PathFileBytes();
  ASSERT_EQ(bytes.size(), 16u + 40u * 1500u);
  EXPECT_EQ(plat::GetU32(bytes.data() + 8), 1500u);
  EXPECT_EQ(plat::GetU32(bytes.data() + 12), static_cast<std::uint32_t>(track.FinishNode()));
  for (int i : {0, 10, 777, 1499}) {
    const std::uint8_t* r = bytes.data() + 16 + 40 * i;
    EXPECT_EQ(plat::GetI32(r), static_cast<std::int32_t>(std::lround(track.Node(i).x * 65536)));
    EXPECT_EQ(plat::GetI32(r + 4), static_cast<std::int32_t>(std::lround(track.Node(i).y * 65536)));
    EXPECT_EQ(plat::GetI32(r + 8), static_cast<std::int32_t>(std::lround(track.Node(i).z * 65536)));
    float f[7];
    for (int k = 0; k < 7; ++k) f[k] = std::bit_cast<float>(plat::GetU32(r + 12 + 4 * k));
    EXPECT_NEAR(f[0] * f[0] + f[1] * f[1] + f[2] * f[2], 1.0f, 1e-4f) << i;
    EXPECT_EQ(
        std::vector<float>(f + 3, f + 7),
        (std::vector<float>{-kOuterHalfWidth, kOuterHalfWidth, -kRoadHalfWidth, kRoadHalfWidth}));
  }
}

TEST(TrackShape, ClosedEvenlySpacedLoopWithTheFinishOnAStraightThatFollowsTheSeed) {
  for (std::uint32_t seed : {1u, 4u, 99u}) {
    const Track track(Options(600, seed));
    for (int i = 0; i < 600; ++i) {
      const PathPoint& a = track.Node(i);
      const PathPoint& b = track.Node(i + 1);  // 599 -> 0 closes the loop
      EXPECT_NEAR(std::hypot(b.x - a.x, b.y - a.y), 5.0, 0.1) << "seed " << seed << " node " << i;
      // The grid stands on the 100 m after the line.
      if ((i - track.FinishNode() + 600) % 600 < 20) {
        EXPECT_LT(std::fabs(a.curvature), 1.0 / 250.0) << "seed " << seed << " node " << i;
      }
    }
  }
  EXPECT_EQ(Track(Options(400, 5)).PathFileBytes(), Track(Options(400, 5)).PathFileBytes());
  EXPECT_NE(Track(Options(400, 5)).PathFileBytes(), Track(Options(400, 6)).PathFileBytes());
  TrackOptions o = Options(600, 1);
  o.finishNode = 17;
  EXPECT_EQ(Track(o).FinishNode(), 17);
}

TEST(TrackShape, NodeAtCountsFromNodeZeroAndWraps) {
  const Track track(Options(100, 1));
  const std::pair<double, int> cases[] = {{0.0, 0},   {4.99, 0},  {5.0, 1},    {499.9, 99},
                                          {500.0, 0}, {-0.1, 99}, {1052.0, 10}};
  for (const auto& [metres, node] : cases) EXPECT_EQ(track.NodeAt(metres), node) << metres;
}

TEST(TrackOptionsCheck, RefusesWhatNoTrackCanBeMadeOf) {
  const struct {
    const char* name;
    int nodes, finish;
    const char* error;  // empty: accepted
  } cases[] = {
      {"TOOLONG", 600, -1, "the track name must have 1 to 6 characters"},
      {"../x", 600, -1, "the track name may hold only letters and digits"},
      {"BL1", 1501, -1, "the node count must be between 16 and 1500"},
      {"BL1", 600, 600, "the finish node must be below the node count"},
      {"BL1", 600, 599, ""},
  };
  for (const auto& c : cases) {
    TrackOptions o;
    o.name = c.name;
    o.nodeCount = c.nodes;
    o.finishNode = c.finish;
    std::string error;
    EXPECT_EQ(Track::CheckOptions(o, &error), *c.error == 0) << c.error;
    EXPECT_EQ(*c.error == 0 ? std::string() : error, c.error);
  }
}

TEST(Cameras, RangesCoverEveryNodeExactlyOnceAndStandBesideTheRoad) {
  for (int count : {1, 5, 16, 100}) {
    const Track track(Options(600, 11));
    const std::vector<CameraSpot> cams = PlaceCameras(track, count, 11);
    ASSERT_EQ(static_cast<int>(cams.size()), count);
    std::vector<int> covered(600, 0);
    for (std::size_t k = 0; k < cams.size(); ++k) {
      const CameraSpot& c = cams[k];
      if (k > 0) {
        EXPECT_LE(cams[k - 1].node, c.node);
      }
      for (int n = c.rangeStart;; n = (n + 1) % 600) {
        ++covered[static_cast<std::size_t>(n)];
        if (n == c.rangeEnd) break;
      }
      const PathPoint& p = track.Node(c.node);
      const double off = std::hypot(c.x / 65536.0 - p.x, c.y / 65536.0 - p.y);
      if (count > 1) {
        EXPECT_GE(off, 17.9);
        EXPECT_LE(off, 30.1);
      }
      EXPECT_GE(c.z / 65536.0 - p.z, 3.9);
      EXPECT_LE(c.z / 65536.0 - p.z, 9.1);
    }
    for (int n = 0; n < 600; ++n)
      EXPECT_EQ(covered[static_cast<std::size_t>(n)], 1) << count << " node " << n;
  }
}

TEST(Cameras, FileLinesInTheDirectorsFormat) {
  CameraSpot spot;
  spot.x = -65536;
  spot.y = 0x12345;
  spot.z = 1;
  spot.rangeStart = 5;
  spot.rangeEnd = 595;
  EXPECT_EQ(CameraFileText({spot}), " FFFF0000, 00012345, 00000001,   5, 595\r\n");
  spot.x = 0x7FFFFFFF;
  spot.rangeStart = 1499;
  spot.rangeEnd = 0;
  EXPECT_EQ(CameraFileText({spot, spot}),
            " 7FFFFFFF, 00012345, 00000001,1499,   0\r\n"
            " 7FFFFFFF, 00012345, 00000001,1499,   0\r\n");
}

}  // namespace
}  // namespace racesim
