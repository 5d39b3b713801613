#include "director/engine/incident_motion.h"

#include <algorithm>

namespace director {

namespace {
constexpr double kDegreesPerRadian = 57.29577951308232;
}  // namespace

bool isSpinning(const CarSample& car, const IncidentThresholds& limits) {
  const double speed = sampleSpeedMs(car);
  if (speed <= limits.spinMinSpeedMs) return false;
  if (slipAngleDegrees(car) > limits.spinSlipDeg) return true;
  const double corneringYaw = limits.maxCorneringAccel / speed * kDegreesPerRadian;
  return sampleYawDegPerSecond(car) > std::max(limits.spinYawDegS, corneringYaw);
}

bool isCrawling(const CarSample& car, const IncidentThresholds& limits) {
  return sampleSpeedMs(car) < limits.crawlSpeedMs;
}

bool lostSpeedSuddenly(const CarSample& before, const CarSample& now,
                       const IncidentThresholds& limits) {
  return sampleSpeedMs(before) - sampleSpeedMs(now) > limits.contactSpeedLossMs;
}

}  // namespace director
