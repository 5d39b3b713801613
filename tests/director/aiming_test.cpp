#include "director/engine/aiming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>
#include <utility>

#include "race_test_support.h"

namespace director {
namespace {

constexpr std::int32_t kMetre = 65536;
constexpr std::uint16_t kGlideTime = 1500;  // the camera continues from the last cycle

class AimingTest : public ::testing::Test {
 protected:
  // A car seen now at (x, y, z) and predicted at (px, py, pz).
  void Car(std::uint8_t plid, std::uint16_t node, std::int32_t x, std::int32_t y, std::int32_t z,
           std::int32_t px, std::int32_t py, std::int32_t pz) {
    PlayerRecord& r = players[plid];
    r.carSample.x = x;
    r.carSample.y = y;
    r.carSample.z = z;
    r.predictedX = px;
    r.predictedY = py;
    r.predictedZ = pz;
    r.node = node;
    r.updated = 1;
  }
  // A point about r from the camera whose heading seen from it is exactly h.
  void PointAt(std::uint16_t h, double r, std::int32_t* x, std::int32_t* y) {
    const double a =
        static_cast<std::int16_t>(static_cast<std::uint16_t>(h - 16384)) * 3.141 / 32768;
    for (int d = 0; d < 8000; ++d) {  // the ideal point, then ever wider around it
      *x = cam.x + static_cast<std::int32_t>(r * std::cos(a)) + (d % 4 < 2 ? 7 : -7) * (d / 4);
      *y = cam.y + static_cast<std::int32_t>(r * std::sin(a)) + (d % 2 ? 5 : -5) * (d / 4);
      if (cam.headingTo(*x, *y) == h) return;
    }
    FAIL() << "no point at heading " << h;
  }
  CameraPositionRecord Packet(std::uint16_t time) {
    CameraPositionRecord p;
    p.time = time;
    return p;
  }

  std::unique_ptr<TrackPath> track = test::MakeTrack(test::CircleCentres(600));
  PlayerTable players;
  CameraPosition cam;
};

TEST_F(AimingTest, ZoomKeepsTenMetresInThePictureWidensWhenItMovesAndPitchesToTheCar) {
  // The car will be the given distance north of the camera; it is now at an angle off that
  // line (its sweep in the next 0.8 s). After a cut the camera aims at where it is.
  struct Case {
    double metres, sweepDegrees;
    std::int32_t camZ, carZ;
    std::uint16_t time;
    int lastPitch;
    float fov;
    int pitch;
  };
  const Case cases[] = {
      {100, 0, 0, 0, 0, 0, 10.0f, 0},     // 5.7 degrees, widened to the lower bound
      {5, 0, 0, 0, 0, 0, 63.446918f, 0},  // atan2(10 m, 5 m) with 3.141 for pi
      {1.5, 0, 0, 0, 0, 0, 80.0f, 0},     // 81.5 degrees, capped even after a cut
      {10, 0, 10 * kMetre, 0, 0, 0, 45.008491f, 8193},
      {5, 0, 0, 2 * kMetre, 0, 0, 63.446918f, -3969},  // looking up
      {100, 35, 0, 0, 0, 600, 10.0f, 0},               // a cut never widens
      {100, 5, 0, 0, kGlideTime, 0, 10.0f, 0},
      {100, 15, 0, 0, kGlideTime, 0, 20.0f, 0},   // more than 10 degrees
      {100, -35, 0, 0, kGlideTime, 0, 30.0f, 0},  // more than 30 degrees
      {100, 0, 0, 0, kGlideTime, 546, 10.0f, 0},
      {100, 0, 0, 0, kGlideTime, 547, 30.0f, 0},  // pitch moved more than 3 degrees
      {100, 35, 0, 0, kGlideTime, -600, 50.0f, 0},
      {3, 90, 0, 0, kGlideTime, 0, 80.0f, 0},  // 73.3 + 20, capped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.metres << " m, sweep " << c.sweepDegrees);
    cam = CameraPosition{};
    cam.x = 3 * kMetre;
    cam.y = -7 * kMetre;
    cam.z = c.camZ;
    cam.lastPitch = static_cast<std::uint16_t>(c.lastPitch);
    const double a = (90 + c.sweepDegrees) * 3.14159265358979 / 180, r = c.metres * kMetre;
    const std::int32_t x = cam.x + static_cast<std::int32_t>(r * std::cos(a));
    const std::int32_t y = cam.y + static_cast<std::int32_t>(r * std::sin(a));
    const std::int32_t py = cam.y + static_cast<std::int32_t>(r);
    Car(1, 0, x, y, c.carZ, cam.x, py, c.carZ);
    CameraPositionRecord p = Packet(c.time);
    aimAtCar(cam, p, 1, players, *track);
    EXPECT_FLOAT_EQ(p.fov, c.fov);
    EXPECT_EQ(p.pitch, static_cast<std::uint16_t>(c.pitch));
    EXPECT_EQ(p.heading, c.time == 0 ? cam.headingTo(x, y) : cam.headingTo(cam.x, py));
    EXPECT_EQ(std::make_tuple(p.x, p.y, p.z), std::make_tuple(cam.x, cam.y, cam.z));
    EXPECT_EQ(std::make_pair(cam.lastHeading, cam.lastPitch), std::make_pair(p.heading, p.pitch));
  }
}

TEST_F(AimingTest, NeighboursCloseToTheLineOfSightPullTheHeading) {
  // The car 100 m away: 10 degrees of zoom, so k = 910 heading units; the window runs from
  // -910 to +455 around the line of sight.
  struct Case {
    const char* what;
    int offset;
    std::uint16_t carNode, neighbourNode;
    std::uint8_t updated;
    int pull;  // trunc(0.5 * S / W)
  };
  const Case cases[] = {
      {"at -k", -910, 100, 100, 1, -227},
      {"at +k", 910, 100, 100, 1, 0},
      {"at +k/2", 455, 100, 100, 1, 182},
      {"past +k/2", 456, 100, 100, 1, 0},
      {"on the line of sight", 0, 100, 100, 1, 0},
      {"inside", 300, 100, 100, 1, 135},
      {"20 nodes behind", 300, 100, 80, 1, 135},
      {"21 nodes ahead", 300, 100, 121, 1, 0},
      {"20 nodes across the line", 300, 5, 585, 1, 135},
      {"without a new sample", 300, 100, 100, 0, 0},
  };
  cam.x = 11 * kMetre;
  cam.y = 13 * kMetre;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    players = PlayerTable{};
    Car(1, c.carNode, cam.x + 100 * kMetre, cam.y, 0, cam.x + 100 * kMetre, cam.y, 0);
    CameraPositionRecord p = Packet(0);
    const std::uint16_t h = cam.headingTo(cam.x + 100 * kMetre, cam.y);
    std::int32_t nx = 0, ny = 0;
    PointAt(static_cast<std::uint16_t>(h - c.offset), 60.0 * kMetre, &nx, &ny);
    // Neighbours count where they will be.
    Car(2, c.neighbourNode, nx + 40 * kMetre, ny - 40 * kMetre, 0, nx, ny, 0);
    players[2].updated = c.updated;
    aimAtCar(cam, p, 1, players, *track);
    EXPECT_EQ(p.heading, static_cast<std::uint16_t>(h - c.pull));
    EXPECT_EQ(cam.lastHeading, p.heading);
  }
}

TEST_F(AimingTest, AGroupIsAimedAtItsCentreAndWidensWithTheTurnOfTheCamera) {
  // Far from the world origin: the sums leave the 32-bit range, the centre does not.
  const std::int32_t far = 2000000000;
  cam.x = far - 100 * kMetre;
  cam.y = far;
  Car(1, 0, far - kMetre, far + kMetre, 0, far + kMetre, far + 2 * kMetre, 0);
  Car(2, 0, far + kMetre, far - kMetre, 0, far - kMetre, far - 2 * kMetre, 0);
  const std::uint8_t both[] = {1, 2};
  const std::uint16_t h = cam.headingTo(far, far);

  struct Case {
    std::uint16_t time;
    int lastHeadingOffset, lastPitchOffset;
    float fov;
  };
  const Case cases[] = {
      {0, 5000, 5000, 10.0f},          // after a cut nothing widens
      {kGlideTime, 546, -546, 10.0f},  // up to 3 degrees of turn and of pitch
      {kGlideTime, 547, 0, 20.0f},     // +10
      {kGlideTime, -1820, 0, 20.0f},   // still +10
      {kGlideTime, -1821, 0, 35.0f},   // +15 and +10
      {kGlideTime, 0, 547, 30.0f},     // +20
      {kGlideTime, 1821, -547, 55.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.time << " " << c.lastHeadingOffset);
    cam.lastHeading = static_cast<std::uint16_t>(h - c.lastHeadingOffset);
    cam.lastPitch = static_cast<std::uint16_t>(c.lastPitchOffset);
    CameraPositionRecord p = Packet(c.time);
    aimAtGroup(cam, p, both, 2, players);
    EXPECT_FLOAT_EQ(p.fov, c.fov);
    EXPECT_EQ(p.heading, h);
    EXPECT_EQ(p.pitch, 0);
    EXPECT_EQ(cam.lastHeading, h);
    EXPECT_EQ(cam.lastPitch, 0);
  }
  // 5 m away (63.4 degrees) and turning fast: capped at 80.
  cam.x = far - 5 * kMetre;
  cam.lastHeading = static_cast<std::uint16_t>(h + 3000);
  CameraPositionRecord p = Packet(kGlideTime);
  aimAtGroup(cam, p, both, 2, players);
  EXPECT_FLOAT_EQ(p.fov, 80.0f);
}

}  // namespace
}  // namespace director
