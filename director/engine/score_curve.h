// Piecewise-linear score curves of the director.
//
// A ScoreCurve has up to 4 points with increasing x. Below the first point it gives the first y,
// beyond the last point the last y, and in between it interpolates in integer arithmetic: the
// product first, then the division truncating towards zero. The director rates a battle by the
// gap between two cars (gapCurve) and by how that gap changed over the last 16 updates
// (gapTrendCurve), how long the live camera has been on screen (holdCurve) and how fast a car
// sweeps across a camera's picture (sweepCurve).
#pragma once

#include <cstdint>

namespace director {

inline constexpr int kMaxCurvePoints = 4;

struct CurvePoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct ScoreCurve {
  CurvePoint points[kMaxCurvePoints];
  int count = 0;

  void Clear() { count = 0; }
  // Appends a point; points beyond the fourth are not taken.
  void Add(std::int32_t x, std::int32_t y);
  // The curve's value at v (64-bit so that a millisecond count or an unsigned distance is taken
  // as the number it is); 0 for a curve without points.
  std::int32_t operator()(std::int64_t v) const;
};

struct ScoreCurves {
  ScoreCurve gapCurve;       // node gap between neighbours in the race order
  ScoreCurve gapTrendCurve;  // change of that gap over the last 16 updates, in nodes
  ScoreCurve holdCurve;      // milliseconds since the live camera went live
  ScoreCurve sweepCurve;     // the car's sweep across the picture in 0.8 s, heading units
};

// Clears and fills the four curves.
void BuildScoreCurves(ScoreCurves* curves);

}  // namespace director
