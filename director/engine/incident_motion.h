// The single-car and two-car checks of the incident detector on plain samples, with the limits
// that separate an incident from hard racing.
//
// A spin: at more than spinMinSpeed, the heading is more than spinSlip away from the direction of
// motion (a drifting racing car stays well within that), or the car turns faster than both
// spinYawRate and the fastest yaw that cornering at its speed can give (maxCorneringAccel / v).
// Crawling: slower than crawlSpeed. A sudden speed loss: more than contactSpeedLoss lost between
// two consecutive position sets (200 ms), far more than any brakes do. Off: the car's centre lies
// more than offMargin beyond the road's edge, so all four wheels are off.
#pragma once

#include <cstdint>

#include "director/engine/incident_sample.h"

namespace director {

struct IncidentThresholds {
  double spinSlipDeg = 75.0;
  double spinMinSpeedMs = 5.0;
  double spinYawDegS = 180.0;
  double maxCorneringAccel = 25.0;  // m/s/s, about 2.5 g
  double offMarginM = 1.0;
  double crawlSpeedMs = 3.0;
  std::uint32_t stoppedAfterMs = 1000;
  double contactDistanceM = 5.0;
  double contactSpeedLossMs = 8.0;
  std::uint32_t pitGraceMs = 2000;  // after the pit lane, a change of order is still the pits'
};

bool isSpinning(const CarSample& car, const IncidentThresholds& limits);
bool isCrawling(const CarSample& car, const IncidentThresholds& limits);
bool lostSpeedSuddenly(const CarSample& before, const CarSample& now,
                       const IncidentThresholds& limits);

}  // namespace director
