// The stand-in's track path files: LFSPTH stays the default, and the 0.8 format SRPATH laid out as
// the simulator lays it out (read back here by its offsets; the director's own reader takes it in
// tests/interop), with the pit lane the cars use as pit lane 0.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/bytes.h"
#include "tools/racesim/options.h"
#include "tools/racesim/track.h"

namespace racesim {
namespace {

using plat::GetI32;
using plat::GetU16;
using plat::GetU32;

TrackOptions SrPath(int nodes) {
  TrackOptions o;
  o.nodeCount = nodes;
  o.pathFormat = PathFormat::kSrPath;
  return o;
}

float GetFloat(const std::uint8_t* p) { return std::bit_cast<float>(GetU32(p)); }

std::int32_t World(double metres) { return static_cast<std::int32_t>(std::lround(metres * 65536)); }

TEST(PathFileFormat, LfspthUnlessSrpathIsAskedFor) {
  TrackOptions o;
  const Track lfs(o);
  const std::vector<std::uint8_t> bytes = lfs.PathFileBytes();
  ASSERT_EQ(bytes.size(), 16u + 40u * 600u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), std::string("LFSPTH\0\0", 8));
  EXPECT_EQ(bytes, lfs.LfsPthBytes());
  const Track sr(SrPath(600));
  EXPECT_EQ(sr.PathFileBytes(), sr.SrPathBytes());
  EXPECT_EQ(sr.LfsPthBytes(), bytes);  // the same track either way

  const auto parse = [](std::vector<const char*> args, SimOptions* options) {
    args.insert(args.begin(), "racesim");
    std::string error;
    const ParseResult r = ParseOptions(static_cast<int>(args.size()), args.data(), options, &error);
    return r == ParseResult::kRun ? std::string("run") : error;
  };
  SimOptions options;
  EXPECT_EQ(parse({}, &options), "run");
  EXPECT_EQ(options.track.pathFormat, PathFormat::kLfsPth);
  EXPECT_EQ(parse({"--path-format", "srpath"}, &options), "run");
  EXPECT_EQ(options.track.pathFormat, PathFormat::kSrPath);
  EXPECT_EQ(parse({"--path-format", "lfspth"}, &options), "run");
  EXPECT_EQ(options.track.pathFormat, PathFormat::kLfsPth);
  EXPECT_EQ(parse({"--path-format", "SRPATH"}, &options),
            "bad value for --path-format: SRPATH (lfspth or srpath)");
}

TEST(PathFileFormat, SrpathHeaderAndNodesWhereTheSimulatorPutsThem) {
  const Track track(SrPath(600));
  const std::vector<std::uint8_t> b = track.SrPathBytes();
  const std::vector<PathPoint> lane = track.PitLane();
  const std::size_t pit = lane.size();
  ASSERT_GT(pit, 50u);
  ASSERT_EQ(b.size(), 56 + 44 * (600 + pit));
  const std::uint8_t* h = b.data();
  EXPECT_EQ(std::string(h, h + 6), "SRPATH");
  EXPECT_EQ(h[6], 0);    // version
  EXPECT_EQ(h[7], 252);  // revision
  EXPECT_LE(h[12], 9);   // mini revision
  EXPECT_EQ(GetU16(h + 16), 600);
  EXPECT_EQ(GetU16(h + 18), pit);
  EXPECT_EQ(GetU16(h + 20), 0);
  EXPECT_EQ(GetU32(h + 24), static_cast<std::uint32_t>(track.FinishNode()));
  EXPECT_EQ(GetU32(h + 28), static_cast<std::uint32_t>(track.Wrap(track.FinishNode() + 200)));
  EXPECT_EQ(GetU32(h + 32), static_cast<std::uint32_t>(track.Wrap(track.FinishNode() + 400)));
  EXPECT_EQ(GetU32(h + 36), 0xFFFFFFFFu);
  const PathPoint& pole = track.Node(track.FinishNode());
  EXPECT_EQ(GetI32(h + 40), World(pole.x));
  EXPECT_EQ(GetI32(h + 44), World(pole.y));
  EXPECT_EQ(GetI32(h + 48), World(pole.z));
  EXPECT_TRUE(std::isfinite(GetFloat(h + 52)));
  for (std::size_t at : {13u, 14u, 15u, 22u, 23u}) EXPECT_EQ(h[at], 0) << at;

  // The main nodes: flags and padding zero, then the very body of the LFSPTH file.
  const std::vector<std::uint8_t> lfs = track.LfsPthBytes();
  for (std::size_t i = 0; i < 600 + pit; ++i) {
    const std::uint8_t* n = h + 56 + 44 * i;
    EXPECT_EQ(GetU32(n), 0u) << i;
    if (i < 600) {
      EXPECT_EQ(0, std::memcmp(n + 4, lfs.data() + 16 + 40 * i, 40)) << i;
      continue;
    }
    const PathPoint& p = lane[i - 600];
    EXPECT_EQ(GetI32(n + 4), World(p.x));
    EXPECT_EQ(GetI32(n + 8), World(p.y));
    EXPECT_EQ(GetI32(n + 12), World(p.z));
    const float d[3] = {GetFloat(n + 16), GetFloat(n + 20), GetFloat(n + 24)};
    EXPECT_NEAR(d[0] * d[0] + d[1] * d[1] + d[2] * d[2], 1.0f, 1e-4f) << i;
    EXPECT_EQ((std::vector<float>{GetFloat(n + 28), GetFloat(n + 32), GetFloat(n + 36),
                                  GetFloat(n + 40)}),
              (std::vector<float>{-5.0f, 5.0f, -3.0f, 3.0f}));
  }
}

TEST(PathFileFormat, ThePitLaneRunsBesideTheStraightWhereTheCarsStop) {
  for (std::uint32_t seed : {1u, 7u}) {
    TrackOptions o = SrPath(600);
    o.seed = seed;
    const Track track(o);
    const std::vector<PathPoint> lane = track.PitLane();
    // From 150 m before the line to 220 m after it, a node every 5 m.
    ASSERT_EQ(lane.size(), 75u);
    for (std::size_t i = 0; i < lane.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " pit node " << i);
      if (i > 0) {
        EXPECT_NEAR(std::hypot(lane[i].x - lane[i - 1].x, lane[i].y - lane[i - 1].y), 5.0, 0.6);
      }
      const double along = 5.0 * static_cast<double>(i);
      const Pose line = track.At(track.FinishDistance() - 150.0 + along, 0.0);
      const double vx = lane[i].x - line.x, vy = lane[i].y - line.y;
      const double left = line.dx * vy - line.dy * vx;  // across the direction of travel
      if (along >= 40.0 && along <= 330.0) {
        EXPECT_NEAR(left, 16.0, 0.01);  // where the cars drive it
      } else {
        EXPECT_GE(left, -0.01);  // leaving and joining the racing line
        EXPECT_LE(left, 16.01);
      }
    }
    EXPECT_NEAR(lane.front().x, track.At(track.FinishDistance() - 150.0, 0).x, 1e-9);
  }
}

}  // namespace
}  // namespace racesim
