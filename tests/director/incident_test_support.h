// Helpers of the incident detector tests: a straight synthetic track along world Y, and cars
// placed on it in the simulator's units.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "director/engine/incident_detector.h"

namespace director::test {

inline constexpr std::int32_t kMetre = 65536;
inline constexpr double kNodeSpacingM = 5.0;
inline constexpr std::uint32_t kStep = 200;  // ms between position sets

// n nodes 5 m apart along +Y from the origin, each with the given road edges.
inline std::vector<TrackLimitNode> StraightTrack(std::uint32_t n, float left = -6.0f,
                                                 float right = 6.0f) {
  std::vector<TrackLimitNode> nodes(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    nodes[i].x = 0;
    nodes[i].y = static_cast<std::int32_t>(i * kNodeSpacingM * kMetre);
    nodes[i].dirX = 0.0f;
    nodes[i].dirY = 1.0f;
    nodes[i].leftEdge = left;
    nodes[i].rightEdge = right;
    nodes[i].hasLimits = left < right;
  }
  return nodes;
}

inline TrackLimitsView ViewOf(const std::vector<TrackLimitNode>& nodes, std::uint32_t finish = 0) {
  return {nodes.data(), static_cast<std::uint32_t>(nodes.size()), finish};
}

inline std::uint16_t SpeedUnits(double metresPerSecond) {
  return static_cast<std::uint16_t>(std::lround(metresPerSecond * 32768.0 / 100.0));
}
inline std::uint16_t AngleUnits(double degrees) {
  return static_cast<std::uint16_t>(std::lround(degrees * 65536.0 / 360.0) & 0xFFFF);
}
inline std::int16_t YawUnits(double degreesPerSecond) {
  return static_cast<std::int16_t>(std::lround(degreesPerSecond * 16384.0 / 360.0));
}

// A car on the straight track at the node (plus metres further along and to the side), driving
// along it at the given speed with heading and motion aligned.
inline CarSample CarAt(std::uint8_t plid, std::uint16_t node, double speedMs, double alongM = 0.0,
                       double sideM = 0.0) {
  CarSample c;
  c.plid = plid;
  c.node = node;
  c.lap = 1;
  c.x = static_cast<std::int32_t>(std::lround(sideM * kMetre));
  c.y = static_cast<std::int32_t>(std::lround((node * kNodeSpacingM + alongM) * kMetre));
  c.speed = SpeedUnits(speedMs);
  return c;
}

// Feeds the same set n times, one step apart, from *now on; returns the events raised.
inline int FeedRepeatedly(IncidentDetector& d, const std::vector<CarSample>& cars, int n,
                          std::uint32_t* now, bool raceRunning = true) {
  int raised = 0;
  for (int i = 0; i < n; ++i) {
    raised += d.update(cars.data(), static_cast<int>(cars.size()), *now, raceRunning);
    *now += kStep;
  }
  return raised;
}

}  // namespace director::test
