// The stand-in's track: the path file as the director reads it, evenly spaced closed loops, the
// finish on a straight, camera positions that cover the lap once, and the camera file format.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <memory>
#include <set>

#include "director/engine/camera_store.h"
#include "director/engine/track_path.h"
#include "link/link_core.h"
#include "tools/racesim/track.h"

namespace racesim {
namespace {

TrackOptions Options(int nodes, std::uint32_t seed) {
  TrackOptions o;
  o.nodeCount = nodes;
  o.seed = seed;
  return o;
}

TEST(TrackPathFile, HeaderAndNodeRecordsAtTheirOffsets) {
  const Track track(Options(600, 7));
  const std::vector<std::uint8_t> bytes = track.PathFileBytes();
  ASSERT_EQ(bytes.size(), 16u + 40u * 600u);
  const std::uint8_t magic[8] = {'L', 'F', 'S', 'P', 'T', 'H', 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 8),
            std::vector<std::uint8_t>(magic, magic + 8));
  EXPECT_EQ(glink::GetU32(bytes.data() + 8), 600u);
  EXPECT_EQ(glink::GetU32(bytes.data() + 12), static_cast<std::uint32_t>(track.FinishNode()));
  for (int i : {0, 1, 299, 599}) {
    const std::uint8_t* r = bytes.data() + 16 + 40 * i;
    const PathPoint& p = track.Node(i);
    EXPECT_EQ(glink::GetI32(r), static_cast<std::int32_t>(std::lround(p.x * 65536))) << i;
    EXPECT_EQ(glink::GetI32(r + 4), static_cast<std::int32_t>(std::lround(p.y * 65536))) << i;
    EXPECT_EQ(glink::GetI32(r + 8), static_cast<std::int32_t>(std::lround(p.z * 65536))) << i;
    const float dx = std::bit_cast<float>(glink::GetU32(r + 12));
    const float dy = std::bit_cast<float>(glink::GetU32(r + 16));
    const float dz = std::bit_cast<float>(glink::GetU32(r + 20));
    EXPECT_NEAR(dx * dx + dy * dy + dz * dz, 1.0f, 1e-4f) << i;
    EXPECT_EQ(std::bit_cast<float>(glink::GetU32(r + 24)), -kOuterHalfWidth);
    EXPECT_EQ(std::bit_cast<float>(glink::GetU32(r + 28)), kOuterHalfWidth);
    EXPECT_EQ(std::bit_cast<float>(glink::GetU32(r + 32)), -kRoadHalfWidth);
    EXPECT_EQ(std::bit_cast<float>(glink::GetU32(r + 36)), kRoadHalfWidth);
  }
}

TEST(TrackPathFile, TheDirectorsReaderTakesItWhole) {
  const Track track(Options(1500, 3));
  const std::vector<std::uint8_t> bytes = track.PathFileBytes();
  auto path = std::make_unique<director::TrackPath>("RS1");
  ASSERT_EQ(director::ParsePathFile(bytes.data(), bytes.size(), path.get()),
            director::PathFileResult::kLoaded);
  EXPECT_EQ(path->nodeCount, 1500u);
  EXPECT_EQ(path->finishNode, static_cast<std::uint32_t>(track.FinishNode()));
  // A point on the racing line a little after a node is nearest to that node.
  for (int i : {0, 10, 777, 1499}) {
    const Pose p = track.At(i * track.Spacing() + 1.0, 0.0);
    EXPECT_EQ(path->nearestNode(static_cast<std::int32_t>(p.x * 65536),
                                static_cast<std::int32_t>(p.y * 65536)),
              i);
  }
}

TEST(TrackShape, ClosedEvenlySpacedLoopThatFollowsTheSeed) {
  for (std::uint32_t seed : {1u, 2u, 99u}) {
    const Track track(Options(400, seed));
    for (int i = 0; i < 400; ++i) {
      const PathPoint& a = track.Node(i);
      const PathPoint& b = track.Node(i + 1);  // 399 -> 0 closes the loop
      EXPECT_NEAR(std::hypot(b.x - a.x, b.y - a.y), 5.0, 0.1) << "seed " << seed << " node " << i;
    }
  }
  EXPECT_EQ(Track(Options(400, 5)).PathFileBytes(), Track(Options(400, 5)).PathFileBytes());
  EXPECT_NE(Track(Options(400, 5)).PathFileBytes(), Track(Options(400, 6)).PathFileBytes());
}

TEST(TrackShape, FinishLineOnAStraightUnlessGiven) {
  for (std::uint32_t seed : {1u, 4u, 8u}) {
    const Track track(Options(600, seed));
    // The grid stands on the 100 m after the line.
    for (int k = 0; k < 20; ++k) {
      EXPECT_LT(std::fabs(track.Node(track.FinishNode() + k).curvature), 1.0 / 250.0)
          << "seed " << seed << " node +" << k;
    }
  }
  TrackOptions o = Options(600, 1);
  o.finishNode = 17;
  EXPECT_EQ(Track(o).FinishNode(), 17);
}

TEST(TrackShape, NodeAtCountsFromNodeZeroAndWraps) {
  const Track track(Options(100, 1));
  EXPECT_EQ(track.NodeAt(0.0), 0);
  EXPECT_EQ(track.NodeAt(4.99), 0);
  EXPECT_EQ(track.NodeAt(5.0), 1);
  EXPECT_EQ(track.NodeAt(499.9), 99);
  EXPECT_EQ(track.NodeAt(500.0), 0);
  EXPECT_EQ(track.NodeAt(-0.1), 99);
  EXPECT_EQ(track.NodeAt(1000.0 + 52.0), 10);
}

TEST(TrackOptionsCheck, RefusesWhatNoTrackCanBeMadeOf) {
  std::string error;
  TrackOptions o;
  o.name = "TOOLONG";
  EXPECT_FALSE(Track::CheckOptions(o, &error));
  EXPECT_EQ(error, "the track name must have 1 to 6 characters");
  o.name = "../x";
  EXPECT_FALSE(Track::CheckOptions(o, &error));
  EXPECT_EQ(error, "the track name may hold only letters and digits");
  o.name = "BL1";
  o.nodeCount = 1501;
  EXPECT_FALSE(Track::CheckOptions(o, &error));
  EXPECT_EQ(error, "the node count must be between 16 and 1500");
  o.nodeCount = 600;
  o.finishNode = 600;
  EXPECT_FALSE(Track::CheckOptions(o, &error));
  EXPECT_EQ(error, "the finish node must be below the node count");
  o.finishNode = 599;
  EXPECT_TRUE(Track::CheckOptions(o, &error));
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

TEST(Cameras, FileLinesInTheDirectorsFormatAndReadBackByIt) {
  CameraSpot spot;
  spot.x = -65536;
  spot.y = 0x12345;
  spot.z = 1;
  spot.rangeStart = 5;
  spot.rangeEnd = 595;
  EXPECT_EQ(CameraFileText({spot}), " FFFF0000, 00012345, 00000001,   5, 595\r\n");

  const Track track(Options(600, 2));
  const std::vector<CameraSpot> cams = PlaceCameras(track, 12, 2);
  const std::vector<std::uint8_t> bytes = track.PathFileBytes();
  auto path = std::make_unique<director::TrackPath>("RS1");
  ASSERT_EQ(director::ParsePathFile(bytes.data(), bytes.size(), path.get()),
            director::PathFileResult::kLoaded);
  path->cameras.ParseCameraFile(CameraFileText(cams));
  ASSERT_EQ(path->cameras.count, 12);
  for (int k = 0; k < 12; ++k) {
    const director::CameraPosition& c = path->cameras.cameras[k];
    EXPECT_EQ(c.x, cams[static_cast<std::size_t>(k)].x);
    EXPECT_EQ(c.rangeStart, cams[static_cast<std::size_t>(k)].rangeStart);
    EXPECT_EQ(c.rangeEnd, cams[static_cast<std::size_t>(k)].rangeEnd);
    // The director ties each camera to the node the stand-in put it beside.
    EXPECT_EQ(c.nearestNode, cams[static_cast<std::size_t>(k)].node);
    EXPECT_TRUE(c.coversNode(c.nearestNode));
  }
}

}  // namespace
}  // namespace racesim
