// What the incident and overtake detectors are told of one car in one position set, and the
// conversion from the simulator's car record.
//
// The units are the simulator's: positions 65536 = 1 m, speed 32768 = 100 m/s, direction of
// motion and heading 65536 per turn (0 along world Y, growing to the left), angVel 16384 = 360
// degrees per second. position is the race position (1 = leader, 0 = not known). inPitLane comes
// from the race packets, not from the car record; onTrack is false for a car that is listed but
// not racing. lagging marks a record the simulator only extrapolated (its connection lags), which
// the motion checks do not trust.
#pragma once

#include <cstdint>

#include "director/insim/packets.h"

namespace director {

// The car record's info bit for a lagging car (CCI_LAG).
inline constexpr std::uint8_t kCarInfoLagging = 0x20;

struct CarSample {
  std::uint8_t plid = 0;
  std::int32_t x = 0, y = 0, z = 0;
  std::uint16_t speed = 0;
  std::uint16_t direction = 0;
  std::uint16_t heading = 0;
  std::int16_t angVel = 0;
  std::uint16_t node = 0;
  std::uint16_t lap = 0;
  std::uint8_t position = 0;
  bool inPitLane = false;
  bool onTrack = true;
  bool lagging = false;
};

CarSample sampleFromCompCar(const CompCar& car, bool inPitLane);

// Speed in m/s and yaw rate in degrees per second.
double sampleSpeedMs(const CarSample& car);
double sampleYawDegPerSecond(const CarSample& car);
// The angle from the direction of motion to the heading, 0 to 180 degrees.
double slipAngleDegrees(const CarSample& car);
// Horizontal distance between two cars in metres.
double carDistanceMetres(const CarSample& a, const CarSample& b);

}  // namespace director
