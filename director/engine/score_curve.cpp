#include "director/engine/score_curve.h"

namespace director {

void ScoreCurve::Add(std::int32_t x, std::int32_t y) {
  if (count >= kMaxCurvePoints) return;
  points[count].x = x;
  points[count].y = y;
  ++count;
}

std::int32_t ScoreCurve::operator()(std::int64_t v) const {
  if (count == 0) return 0;
  if (v <= points[0].x) return points[0].y;
  for (int i = 1; i < count; ++i) {
    if (v <= points[i].x) {
      const std::int64_t x0 = points[i - 1].x;
      const std::int64_t y0 = points[i - 1].y;
      const std::int64_t dy = static_cast<std::int64_t>(points[i].y) - y0;
      // Integer division in C++ truncates towards zero.
      return static_cast<std::int32_t>(y0 + dy * (v - x0) / (points[i].x - x0));
    }
  }
  return points[count - 1].y;
}

void BuildScoreCurves(ScoreCurves* c) {
  c->gapCurve.Clear();
  c->gapCurve.Add(1, 10000);
  c->gapCurve.Add(3, 5000);
  c->gapCurve.Add(10, 1000);
  c->gapCurve.Add(12, 0);

  c->gapTrendCurve.Clear();
  c->gapTrendCurve.Add(-8, 0);
  c->gapTrendCurve.Add(-3, 10000);
  c->gapTrendCurve.Add(3, 10000);
  c->gapTrendCurve.Add(5, 0);

  c->holdCurve.Clear();
  c->holdCurve.Add(2000, 11000);
  c->holdCurve.Add(6000, 0);

  // 182 heading units are one degree: full marks within 1 degree, nothing from 40 degrees on.
  c->sweepCurve.Clear();
  c->sweepCurve.Add(-7280, 0);
  c->sweepCurve.Add(-182, 10000);
  c->sweepCurve.Add(182, 10000);
  c->sweepCurve.Add(7280, 0);
}

}  // namespace director
