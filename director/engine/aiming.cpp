#include "director/engine/aiming.h"

#include <cmath>
#include <cstdlib>

#include "director/engine/car_progress.h"
#include "director/engine/director_math.h"
#include "director/engine/track_path.h"

namespace director {

namespace {

constexpr int kFastSweep = 5460;               // 30 degrees
constexpr int kSweep = 1820;                   // 10 degrees
constexpr int kSmallTurn = 546;                // 3 degrees
constexpr double kHalfFovUnits = 91.0;         // heading units per half degree of field of view
constexpr double kFovUnitsSquared4 = 33124.0;  // 91 squared times 4

struct Aim {
  float fov = 0.0f;
  std::uint16_t pitch = 0;
  std::uint16_t heading = 0;
};

// Field of view for `width` (10 m) at the target's horizontal distance, pitch down to it, and
// heading.
Aim AimAt(const CameraPosition& camera, std::int64_t tx, std::int64_t ty, std::int64_t tz,
          double width = kZoomWidth) {
  // Differences in 64 bits: two far-apart points cannot overflow them.
  const float dx = static_cast<float>(tx - camera.x);
  const float dy = static_cast<float>(ty - camera.y);
  const double d = static_cast<double>(static_cast<std::int64_t>(std::sqrt(dx * dx + dy * dy)));
  Aim aim;
  aim.fov = static_cast<float>(std::atan2(width, d) * (1.0 / kPi) * 180.0);
  if (aim.fov < kMinFov) aim.fov = kMinFov;
  const double dz = static_cast<double>(camera.z - tz);
  aim.pitch = static_cast<std::uint16_t>(
      static_cast<std::int32_t>(std::atan2(dz, d) * (1.0 / kPi) * 32768));
  aim.heading = camera.headingTo(static_cast<std::int32_t>(tx), static_cast<std::int32_t>(ty));
  return aim;
}

bool NearOnLap(std::uint16_t a, std::uint16_t b, std::uint32_t nodeCount) {
  const int d = std::abs(static_cast<int>(a) - static_cast<int>(b));
  const int around = static_cast<int>(nodeCount) - d;
  return (d < around ? d : around) <= kNeighbourNodes;
}

}  // namespace

void aimAtCar(CameraPosition& camera, CameraPositionRecord& packet, std::uint8_t car,
              const PlayerTable& players, const TrackPath& track, double cutLeadSeconds) {
  const PlayerRecord& rec = players[car];
  packet.x = camera.x;
  packet.y = camera.y;
  packet.z = camera.z;

  const bool cut = packet.time == 0;
  const CompCar& now = rec.carSample;
  // The prediction is a straight line: a lead of part of it is the same line, shorter.
  const double lead = cutLeadSeconds / kPredictionSeconds;
  Aim aim = cut ? AimAt(camera, now.x + static_cast<std::int64_t>((rec.predictedX - now.x) * lead),
                        now.y + static_cast<std::int64_t>((rec.predictedY - now.y) * lead), now.z)
                : AimAt(camera, rec.predictedX, rec.predictedY, rec.predictedZ);
  const std::uint16_t h = aim.heading;
  float fov = aim.fov;

  if (!cut) {
    // How far the car sweeps across the picture in the next 0.8 s.
    const int a = std::abs(AngleDiff(camera.headingTo(now.x, now.y), h));
    if (a > kFastSweep) fov += 10.0f;
    if (a > kSweep) fov += 10.0f;
    const int b = std::abs(AngleDiff(aim.pitch, camera.lastPitch));
    if (b > kSmallTurn) fov += 20.0f;
  }
  if (fov > kMaxFov) fov = kMaxFov;
  camera.lastPitch = aim.pitch;

  // Cars close to the line of sight pull the heading towards them: the followed car weighs
  // 1 / (half the field of view)^2 at offset 0, every neighbour 1 / offset^2. The window reaches
  // half the field of view on one side and a quarter on the other.
  const int k = static_cast<int>(fov * kHalfFovUnits);
  float w = static_cast<float>(4.0 / (fov * fov * kFovUnitsSquared4));
  float s = 0.0f;
  // A cut that leads the car opens on the car itself, in the middle of the picture.
  const bool pull = !(cut && cutLeadSeconds > 0.0);
  for (int id = 0; pull && id < kPlayerCount; ++id) {
    const PlayerRecord& other = players.records[id];
    if (other.updated == 0 || id == car) continue;
    if (!NearOnLap(other.node, rec.node, track.nodeCount)) continue;
    const int off = AngleDiff(h, camera.headingTo(other.predictedX, other.predictedY));
    if (off < -k || off > k / 2 || off == 0) continue;
    s += 1.0f / static_cast<float>(off);
    w += 1.0f / static_cast<float>(off * off);
  }
  const std::uint16_t heading = static_cast<std::uint16_t>(h - static_cast<int>(0.5 * s / w));

  packet.heading = heading;
  packet.pitch = aim.pitch;
  packet.fov = fov;
  camera.lastHeading = heading;
}

void aimAtPoint(CameraPosition& camera, CameraPositionRecord& packet, std::int32_t x,
                std::int32_t y, std::int32_t z, double width) {
  packet.x = camera.x;
  packet.y = camera.y;
  packet.z = camera.z;
  Aim aim = AimAt(camera, x, y, z, width);
  if (aim.fov > kMaxFov) aim.fov = kMaxFov;
  packet.heading = aim.heading;
  packet.pitch = aim.pitch;
  packet.fov = aim.fov;
  camera.lastHeading = aim.heading;
  camera.lastPitch = aim.pitch;
}

void aimAtGroup(CameraPosition& camera, CameraPositionRecord& packet, const std::uint8_t* cars,
                int count, const PlayerTable& players) {
  packet.x = camera.x;
  packet.y = camera.y;
  packet.z = camera.z;
  if (count < 1) return;

  const bool cut = packet.time == 0;
  std::int64_t sx = 0, sy = 0, sz = 0;
  for (int i = 0; i < count; ++i) {
    const PlayerRecord& rec = players[cars[i]];
    if (cut) {
      sx += rec.carSample.x;
      sy += rec.carSample.y;
      sz += rec.carSample.z;
    } else {
      sx += rec.predictedX;
      sy += rec.predictedY;
      sz += rec.predictedZ;
    }
  }
  const Aim aim = AimAt(camera, sx / count, sy / count, sz / count);
  float fov = aim.fov;
  if (!cut) {
    const int a = std::abs(AngleDiff(aim.heading, camera.lastHeading));
    if (a > kSweep) fov += 15.0f;
    if (a > kSmallTurn) fov += 10.0f;
    const int b = std::abs(AngleDiff(aim.pitch, camera.lastPitch));
    if (b > kSmallTurn) fov += 20.0f;
  }
  if (fov > kMaxFov) fov = kMaxFov;

  packet.heading = aim.heading;
  packet.pitch = aim.pitch;
  packet.fov = fov;
  camera.lastHeading = aim.heading;
  camera.lastPitch = aim.pitch;
}

}  // namespace director
