#include "director/engine/incident_sample.h"

#include <cmath>

#include "director/engine/director_math.h"

namespace director {

namespace {
constexpr double kSpeedUnitsPerMs = 32768.0 / 100.0;
constexpr double kAngVelUnitsPerDegree = 16384.0 / 360.0;
constexpr double kAngleUnitsPerDegree = 65536.0 / 360.0;
}  // namespace

CarSample sampleFromCompCar(const CompCar& car, bool inPitLane) {
  CarSample s;
  s.plid = car.plid;
  s.x = car.x;
  s.y = car.y;
  s.z = car.z;
  s.speed = car.speed;
  s.direction = car.direction;
  s.heading = car.heading;
  s.angVel = car.angVel;
  s.node = car.node;
  s.lap = car.lap;
  s.position = car.position;
  s.inPitLane = inPitLane;
  s.onTrack = true;
  s.lagging = (car.info & kCarInfoLagging) != 0;
  return s;
}

double sampleSpeedMs(const CarSample& car) { return car.speed / kSpeedUnitsPerMs; }

double sampleYawDegPerSecond(const CarSample& car) {
  return std::fabs(static_cast<double>(car.angVel)) / kAngVelUnitsPerDegree;
}

double slipAngleDegrees(const CarSample& car) {
  // The difference as a signed 16-bit angle is the shorter way round.
  const auto diff =
      static_cast<std::int16_t>(static_cast<std::uint16_t>(car.heading - car.direction));
  return std::abs(static_cast<int>(diff)) / kAngleUnitsPerDegree;
}

double carDistanceMetres(const CarSample& a, const CarSample& b) {
  const double dx = (static_cast<double>(a.x) - b.x) / kWorldUnitsPerMetre;
  const double dy = (static_cast<double>(a.y) - b.y) / kWorldUnitsPerMetre;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace director
