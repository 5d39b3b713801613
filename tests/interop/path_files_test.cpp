// The files the stand-in writes, read by the director's own readers: the track path file in both
// formats (nodes, finish, nearest node, the SRPATH pit lane) and the camera file (positions,
// ranges, and each camera tied to the node the stand-in put it beside).
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "director/engine/camera_store.h"
#include "director/engine/track_path.h"
#include "tools/racesim/track.h"

namespace racesim {
namespace {

TrackOptions Options(int nodes, std::uint32_t seed, PathFormat format) {
  TrackOptions o;
  o.nodeCount = nodes;
  o.seed = seed;
  o.pathFormat = format;
  return o;
}

std::int32_t World(double metres) { return static_cast<std::int32_t>(metres * 65536); }

std::unique_ptr<director::TrackPath> Load(const Track& track) {
  const std::vector<std::uint8_t> bytes = track.PathFileBytes();
  auto path = std::make_unique<director::TrackPath>("RS1");
  EXPECT_EQ(director::ParsePathFile(bytes.data(), bytes.size(), path.get()),
            director::PathFileResult::kLoaded);
  return path;
}

TEST(PathFileInterop, TheDirectorsReaderTakesBothFormatsWhole) {
  for (PathFormat format : {PathFormat::kLfsPth, PathFormat::kSrPath}) {
    const Track track(Options(1500, 3, format));
    const auto path = Load(track);
    EXPECT_EQ(path->nodeCount, 1500u);
    EXPECT_EQ(path->finishNode, static_cast<std::uint32_t>(track.FinishNode()));
    for (int i : {0, 10, 777, 1499}) {
      // A point on the racing line a little after a node is nearest to that node.
      const Pose p = track.At(i * track.Spacing() + 1.0, 0.0);
      EXPECT_EQ(path->nearestNode(World(p.x), World(p.y)), i);
    }
    const std::uint32_t pitNodes =
        format == PathFormat::kSrPath ? static_cast<std::uint32_t>(track.PitLane().size()) : 0;
    EXPECT_EQ(path->pitLanes[0].nodeCount, pitNodes);
    EXPECT_EQ(path->pitLanes[1].nodeCount, 0u);
  }
}

TEST(CameraFileInterop, TheDirectorsStoreReadsTheCamerasBackOnTheirNodes) {
  const Track track(Options(600, 2, PathFormat::kLfsPth));
  const std::vector<CameraSpot> cams = PlaceCameras(track, 12, 2);
  const auto path = Load(track);
  path->cameras.ParseCameraFile(CameraFileText(cams));
  ASSERT_EQ(path->cameras.count, 12);
  for (int k = 0; k < 12; ++k) {
    const director::CameraPosition& c = path->cameras.cameras[k];
    const CameraSpot& spot = cams[static_cast<std::size_t>(k)];
    EXPECT_EQ(c.x, spot.x);
    EXPECT_EQ(c.y, spot.y);
    EXPECT_EQ(c.z, spot.z);
    EXPECT_EQ(c.rangeStart, spot.rangeStart);
    EXPECT_EQ(c.rangeEnd, spot.rangeEnd);
    // The director ties each camera to the node the stand-in put it beside.
    EXPECT_EQ(c.nearestNode, spot.node);
    EXPECT_TRUE(c.coversNode(c.nearestNode));
  }
}

}  // namespace
}  // namespace racesim
