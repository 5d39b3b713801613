#include "director/engine/car_progress.h"

#include <cmath>
#include <cstdint>

#include "director/engine/director_math.h"
#include "director/engine/track_path.h"

namespace director {

namespace {

constexpr double kMaxI32 = 2147483647.0;
constexpr double kMinI32 = -2147483648.0;

// Truncates towards zero; a value outside the 32-bit range stops at its end.
std::int32_t TruncateToI32(double v) {
  if (!(v == v)) return 0;
  if (v >= kMaxI32) return 2147483647;
  if (v <= kMinI32) return -2147483647 - 1;
  return static_cast<std::int32_t>(v);
}

}  // namespace

void updateCarProgress(PlayerRecord& record, const CompCar& sample, const TrackPath& track) {
  const std::uint32_t n = track.nodeCount;
  const std::uint16_t finish = static_cast<std::uint16_t>(track.finishNode);

  record.previousSample = record.carSample;
  record.carSample = sample;
  record.updated = 1;
  record.node = sample.node;

  // Counted from the finish line in 16-bit arithmetic, as node indices are carried.
  if (record.node <= finish) {
    record.lapPosition = static_cast<std::uint16_t>(record.node + (n - finish));
  } else {
    record.lapPosition = static_cast<std::uint16_t>(record.node - finish);
  }
  if (record.lapPosition < n - kLapFigureFrozenNodes) record.lapFigure = sample.lap;

  record.distanceHistory[record.historyIndex] = record.raceDistance;
  record.historyIndex = static_cast<std::uint8_t>((record.historyIndex + 1) % kDistanceHistorySize);

  record.raceDistance = n * static_cast<std::uint32_t>(record.lapFigure) + record.lapPosition;

  const double angle = (static_cast<int>(sample.direction) - 16384) * kPi * (1.0 / 32768);
  const double e = sample.speed * kSpeedToWorldPerSecond * kPredictionSeconds;
  record.predictedX = TruncateToI32(sample.x - e * std::cos(angle));
  record.predictedY = TruncateToI32(sample.y - e * std::sin(angle));
  // Wrapping 32-bit arithmetic, without the undefined behaviour of a signed overflow.
  record.predictedZ =
      static_cast<std::int32_t>(5u * static_cast<std::uint32_t>(sample.z) -
                                4u * static_cast<std::uint32_t>(record.previousSample.z));
}

}  // namespace director
